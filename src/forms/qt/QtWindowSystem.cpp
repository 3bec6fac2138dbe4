#include "forms/qt/QtWindowSystem.h"

#include "forms/OwnedControls.h"
#include "forms/qt/CaptionFit.h"
#include "forms/qt/ClickLabel.h"
#include "forms/qt/GameIcon.h"
#include "forms/qt/KeyMapping.h"
#include "forms/qt/PlayfieldView.h"
#include "forms/qt/ShapeWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

namespace hopplix {

namespace {

QColor colourOf(std::uint32_t value)
{
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}

std::uint32_t valueOf(const QColor& colour)
{
    return static_cast<std::uint32_t>(colour.red()) | static_cast<std::uint32_t>(colour.green()) << 8
           | static_cast<std::uint32_t>(colour.blue()) << 16;
}

QRect rectOf(PixelRect r) { return QRect(r.x, r.y, r.width, r.height); }
PixelRect rectOf(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// Handlers run only while the window is in service (not retired).
template <class Handler, class... Args>
void fire(const Window& window, const Handler& handler, Args&&... args)
{
    if (!window.isRetired() && handler) {
        const auto copy = handler; // it may retire the window that holds it
        copy(std::forward<Args>(args)...);
    }
}

// What every Qt control has: its widget.
class QtWidgetHolder {
public:
    virtual ~QtWidgetHolder() = default;
    virtual QWidget* widget() const = 0;
};

template <class Base, class Widget>
class QtControl : public Base, public QtWidgetHolder {
public:
    QtControl(const Window& window, Widget* widget) : window_(window), widget_(widget) {}
    void setGeometry(PixelRect rect) override { widget_->setGeometry(rectOf(rect)); }
    PixelRect geometry() const override { return rectOf(widget_->geometry()); }
    void setVisible(bool visible) override { widget_->setVisible(visible); }
    bool isVisible() const override { return !widget_->isHidden(); }
    void setName(const std::string& name) override { widget_->setObjectName(QString::fromStdString(name)); }
    QWidget* widget() const override { return widget_; }

protected:
    const Window& window_;
    Widget* widget_; // a child of the window's widget, deleted with it
};

QFont fontOf(const Font& font, const QFont& current)
{
    if (font.family.empty())
        return captionFont(font.points > 0 ? font.points : current.pointSizeF(), font.bold);
    QFont result(QString::fromStdString(font.family));
    if (font.points > 0)
        result.setPointSizeF(font.points);
    result.setBold(font.bold);
    return result;
}

class QtLabel final : public QtControl<Label, ClickLabel> {
public:
    QtLabel(const Window& window, QWidget* parent) : QtControl(window, new ClickLabel(parent))
    {
        QObject::connect(widget_, &ClickLabel::clicked, widget_, [this] { fire(window_, onClick); });
    }
    void setText(const std::string& text) override
    {
        const QString caption = QString::fromStdString(text);
        if (shrink_)
            setFittedText(*widget_, caption);
        else if (widget_->text() != caption)
            widget_->setText(caption);
    }
    std::string text() const override { return widget_->text().toStdString(); }
    void setFont(const Font& font) override { widget_->setFont(fontOf(font, widget_->font())); }
    void setAlignment(Alignment alignment) override
    {
        switch (alignment) {
        case Alignment::Left: widget_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter); break;
        case Alignment::TopCentre: widget_->setAlignment(Qt::AlignHCenter | Qt::AlignTop); break;
        case Alignment::Centre: widget_->setAlignment(Qt::AlignCenter); break;
        }
    }
    void setShrinkToFit(bool shrink) override { shrink_ = shrink; }
    int textWidth() const override { return widget_->sizeHint().width(); }
    void setBackground(std::optional<std::uint32_t> colour) override
    {
        widget_->setAutoFillBackground(colour.has_value());
        if (colour) {
            QPalette palette = widget_->palette();
            palette.setColor(QPalette::Window, colourOf(*colour));
            widget_->setPalette(palette);
        }
    }

private:
    bool shrink_ = false;
};

ShapeWidget::Kind widgetKind(Shape::Kind kind)
{
    switch (kind) {
    case Shape::Kind::Rectangle: return ShapeWidget::Kind::Rectangle;
    case Shape::Kind::RoundedRectangle: return ShapeWidget::Kind::RoundedRectangle;
    case Shape::Kind::RoundedSquare: return ShapeWidget::Kind::RoundedSquare;
    case Shape::Kind::Circle: break;
    }
    return ShapeWidget::Kind::Circle;
}

class QtShape final : public QtControl<Shape, ShapeWidget> {
public:
    QtShape(const Window& window, QWidget* parent, Kind kind)
        : QtControl(window, new ShapeWidget(widgetKind(kind), Qt::white, parent)), kind_(kind)
    {}
    Kind kind() const override { return kind_; }
    void setFill(std::uint32_t colour) override { widget_->setFillColor(colourOf(colour)); }
    std::uint32_t fill() const override { return valueOf(widget_->fillColor()); }
    void setBorder(std::optional<std::uint32_t> colour) override
    {
        widget_->setBorderColor(colour ? colourOf(*colour) : QColor());
    }
    std::optional<std::uint32_t> border() const override
    {
        const QColor colour = widget_->borderColor();
        return colour.isValid() ? std::optional(valueOf(colour)) : std::nullopt;
    }
    void raise() override { widget_->raise(); }

private:
    Kind kind_;
};

class QtCommandButton final : public QtControl<CommandButton, QPushButton> {
public:
    QtCommandButton(const Window& window, QWidget* parent) : QtControl(window, new QPushButton(parent))
    {
        QObject::connect(widget_, &QPushButton::clicked, widget_, [this] { fire(window_, onClick); });
    }
    void setCaption(const std::string& caption) override { widget_->setText(QString::fromStdString(caption)); }
    std::string caption() const override { return widget_->text().toStdString(); }
    void setEnabled(bool enabled) override { widget_->setEnabled(enabled); }
    bool isEnabled() const override { return widget_->isEnabled(); }
};

class QtDropDownList final : public QtControl<DropDownList, QComboBox> {
public:
    QtDropDownList(const Window& window, QWidget* parent) : QtControl(window, new QComboBox(parent))
    {
        widget_->setEditable(false);
        QObject::connect(widget_, &QComboBox::activated, widget_, [this](int) { fire(window_, onClick); });
    }
    void setFont(const Font& font) override { widget_->setFont(fontOf(font, widget_->font())); }
    void clear() override { widget_->clear(); }
    void addItem(const std::string& text) override { widget_->addItem(QString::fromStdString(text)); }
    int count() const override { return widget_->count(); }
    std::string itemText(int index) const override { return widget_->itemText(index).toStdString(); }
    int currentIndex() const override { return widget_->currentIndex(); }
    void setCurrentIndex(int index) override { widget_->setCurrentIndex(index); }
};

class QtHScrollBar final : public QtControl<HScrollBar, QScrollBar> {
public:
    QtHScrollBar(const Window& window, QWidget* parent) : QtControl(window, new QScrollBar(Qt::Horizontal, parent))
    {
        QObject::connect(widget_, &QScrollBar::sliderMoved, widget_, [this](int) { fire(window_, onScroll); });
        QObject::connect(widget_, &QScrollBar::valueChanged, widget_, [this](int) { fire(window_, onChange); });
    }
    void setRange(int minimum, int maximum) override { widget_->setRange(minimum, maximum); }
    int minimum() const override { return widget_->minimum(); }
    int maximum() const override { return widget_->maximum(); }
    void setSmallChange(int step) override { widget_->setSingleStep(step); }
    int smallChange() const override { return widget_->singleStep(); }
    void setLargeChange(int step) override { widget_->setPageStep(step); }
    int largeChange() const override { return widget_->pageStep(); }
    int value() const override { return widget_->value(); }
    void setValue(int value) override { widget_->setValue(value); }
};

class QtPlayfieldSurface final : public QtControl<PlayfieldSurface, PlayfieldView> {
public:
    QtPlayfieldSurface(const Window& window, QWidget* parent) : QtControl(window, new PlayfieldView(parent))
    {
        QObject::connect(
            widget_, &PlayfieldView::mousePressed, widget_,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at) {
                fire(window_, onMouseDown, buttonCode(button), shiftStateOf(modifiers), PixelPoint{at.x(), at.y()});
            });
    }
    void setPixels(const std::uint32_t* pixels, int width, int height) override
    {
        widget_->setPixels(pixels, width, height);
    }
    void setPlayer(PixelRect rect, std::uint32_t colour, bool visible) override
    {
        widget_->setPlayer(rectOf(rect), colourOf(colour), visible);
    }
    PixelRect playerRect() const override { return rectOf(widget_->playerRect()); }
    std::uint32_t playerColour() const override { return valueOf(widget_->playerFill()); }
    bool playerVisible() const override { return widget_->playerVisible(); }

private:
    static int buttonCode(Qt::MouseButton button)
    {
        switch (button) {
        case Qt::LeftButton: return 1;
        case Qt::RightButton: return 2;
        case Qt::MiddleButton: return 4;
        default: return 0;
        }
    }
};

class QtTimer final : public Timer {
public:
    QtTimer(const Window& window, QWidget* parent) : timer_(new QTimer(parent))
    {
        // A coarse timer may fire up to 5 % early.
        timer_->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer_, &QTimer::timeout, timer_, [this, &window] { fire(window, onTimer); });
    }
    void setInterval(int milliseconds) override { timer_->setInterval(milliseconds); }
    int interval() const override { return timer_->interval(); }
    void setEnabled(bool enabled) override
    {
        if (enabled)
            timer_->start();
        else
            timer_->stop();
    }
    bool isEnabled() const override { return timer_->isActive(); }
    QTimer* timer() const { return timer_; }

private:
    QTimer* timer_;
};

class QtWindow;

// The top-level widget: it reports the window system's close request and geometry changes.
class FormWidget final : public QWidget {
public:
    explicit FormWidget(QtWindow& owner) : owner_(owner) {}
    QtWindow& owner() const { return owner_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QtWindow& owner_;
};

class QtWindow final : public Window {
public:
    QtWindow() : widget_(std::make_unique<FormWidget>(*this)) {}
    ~QtWindow() override
    {
        owned_.releaseTimers();
        owned_.releaseControls();
        widget_.reset(); // deletes the controls' widgets
    }
    FormWidget* widget() const { return widget_.get(); }

    void setCaption(const std::string& caption) override { widget_->setWindowTitle(QString::fromStdString(caption)); }
    std::string caption() const override { return widget_->windowTitle().toStdString(); }
    void setFixedDialog(bool tool) override
    {
        widget_->setWindowFlags((tool ? Qt::Tool : Qt::Dialog) | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                                | Qt::MSWindowsFixedSizeDialogHint);
    }
    void setShowWithoutActivating(bool on) override { widget_->setAttribute(Qt::WA_ShowWithoutActivating, on); }
    bool showsWithoutActivating() const override { return widget_->testAttribute(Qt::WA_ShowWithoutActivating); }
    void setHighlightBackground() override
    {
        QPalette palette = widget_->palette();
        palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Highlight));
        widget_->setPalette(palette);
        widget_->setAutoFillBackground(true);
    }
    void setGameIcon() override { widget_->setWindowIcon(gameIcon()); }
    void setOwner(Window& owner) override
    {
        widget_->winId(); // the window system's window, to tie it to the owner's
        QWidget* ownerWidget = widgetOf(owner);
        ownerWidget->winId();
        if (QWindow* handle = widget_->windowHandle())
            handle->setTransientParent(ownerWidget->windowHandle());
    }

    void setClientSize(PixelSize size) override
    {
        const QSize wanted(size.width, size.height);
        if (widget_->minimumSize() != wanted || widget_->maximumSize() != wanted || widget_->size() != wanted)
            widget_->setFixedSize(wanted);
    }
    PixelSize clientSize() const override { return {widget_->width(), widget_->height()}; }
    void moveClientTo(PixelPoint at) override { widget_->setGeometry(QRect(QPoint(at.x, at.y), widget_->size())); }
    PixelPoint clientPosition() const override { return {widget_->geometry().x(), widget_->geometry().y()}; }
    PixelSize frameExtra() const override
    {
        const QSize extra = widget_->frameGeometry().size() - widget_->geometry().size();
        return {extra.width(), extra.height()};
    }
    PixelRect frameRect() const override { return rectOf(widget_->frameGeometry()); }
    void moveFrameTo(PixelPoint at) override { widget_->move(at.x, at.y); } // move() places the frame

    void show() override { widget_->show(); }
    void hide() override { widget_->hide(); }
    bool isVisible() const override { return widget_->isVisible(); }
    void raise() override { widget_->raise(); }
    void activate() override { widget_->activateWindow(); }
    bool isExposed() const override
    {
        const QWindow* handle = widget_->windowHandle();
        return handle && handle->isExposed();
    }
    void repaintNow() override
    {
        if (widget_->isVisible())
            widget_->repaint();
    }

    Label& addLabel() override { return owned_.add<QtLabel>(*this, widget_.get()); }
    Shape& addShape(Shape::Kind kind) override { return owned_.add<QtShape>(*this, widget_.get(), kind); }
    CommandButton& addCommandButton() override { return owned_.add<QtCommandButton>(*this, widget_.get()); }
    DropDownList& addDropDownList() override { return owned_.add<QtDropDownList>(*this, widget_.get()); }
    HScrollBar& addHScrollBar() override { return owned_.add<QtHScrollBar>(*this, widget_.get()); }
    Timer& addTimer() override { return owned_.addTimer(*this, widget_.get()); }
    PlayfieldSurface& addPlayfieldSurface() override { return owned_.add<QtPlayfieldSurface>(*this, widget_.get()); }

    void closeRequested() { fire(*this, onCloseRequest); }
    void geometryChanged() { fire(*this, onGeometryChanged); }

protected:
    void stopTimers() override { owned_.stopTimers(); }

private:
    std::unique_ptr<FormWidget> widget_;
    // After the widget: the controls go before the widgets they live in.
    OwnedControls<QtTimer> owned_;
};

void FormWidget::closeEvent(QCloseEvent* event)
{
    // The window system asks to close: the form unloads, which is never refused. It hides and
    // disposes of this window itself.
    event->accept();
    owner_.closeRequested();
}

bool FormWidget::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
        // The window manager's frame arrives some time after the window is first shown.
        owner_.geometryChanged();
        break;
    default: break;
    }
    return handled;
}

// Holds a disposed window until Qt's deferred deletion.
class Disposed final : public QObject {
public:
    explicit Disposed(std::unique_ptr<Window> window) : window_(std::move(window)) {}

private:
    std::unique_ptr<Window> window_;
};

} // namespace

QtWindowSystem::QtWindowSystem() { qApp->installEventFilter(this); }

QtWindowSystem::~QtWindowSystem()
{
    if (qApp)
        qApp->removeEventFilter(this);
    for (const auto& going : disposed_)
        delete going.data();
}

std::unique_ptr<Window> QtWindowSystem::createWindow() { return std::make_unique<QtWindow>(); }

void QtWindowSystem::dispose(std::unique_ptr<Window> window)
{
    if (!window)
        return;
    window->hide();
    auto* holder = new Disposed(std::move(window));
    holder->deleteLater();
    std::erase_if(disposed_, [](const QPointer<QObject>& d) { return d.isNull(); });
    disposed_.emplace_back(holder);
}

void QtWindowSystem::post(std::function<void()> call)
{
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void QtWindowSystem::processEvents(bool userInput)
{
    QCoreApplication::processEvents(userInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

PixelRect QtWindowSystem::availableArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? rectOf(screen->availableGeometry()) : PixelRect{};
}

int QtWindowSystem::run() { return QApplication::exec(); }

void QtWindowSystem::quit(int code) { QApplication::exit(code); }

bool QtWindowSystem::isPropagationOfLastKey(const QKeyEvent* key, QWidget* receiver) const
{
    // A key press that a control leaves untaken travels on, as the same event object, to the
    // control's parents. A new press has a new timestamp or, from a test, at least follows a
    // release; the receiver check keeps a new event at a reused address apart.
    return key == lastKey_ && key->type() == lastKeyType_ && key->key() == lastKeyCode_
           && key->isAutoRepeat() == lastKeyRepeat_ && key->timestamp() == lastKeyTime_ && lastKeyReceiver_
           && receiver->isAncestorOf(lastKeyReceiver_);
}

bool QtWindowSystem::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::ApplicationDeactivate) {
        router_.releaseAll();
        return QObject::eventFilter(watched, event);
    }
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);

    auto* widget = static_cast<QWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    // The same event travelling on to a parent: as decided when it was first seen.
    if (isPropagationOfLastKey(key, widget))
        return !lastKeyDelivered_;
    lastKey_ = key;
    lastKeyType_ = key->type();
    lastKeyCode_ = key->key();
    lastKeyRepeat_ = key->isAutoRepeat();
    lastKeyTime_ = key->timestamp();
    lastKeyReceiver_ = widget;

    // A key in one of the forms' windows goes to its key preview too; in a message box it
    // only counts as pressed. Even if the preview unloads the form, its widget lives until the
    // event loop regains control, so the control may still receive the key.
    const int code = virtualKeyOf(key->key());
    Window* target = nullptr;
    // A drop-down list's open popup belongs to the list's window.
    for (QWidget* w = widget; w && !target; w = w->parentWidget())
        if (auto* form = dynamic_cast<FormWidget*>(w))
            target = &form->owner();
    lastKeyDelivered_ = type == QEvent::KeyRelease
                            ? router_.keyUp(target, code, key->isAutoRepeat())
                            : router_.keyDown(target, code, shiftStateOf(key->modifiers()), key->isAutoRepeat());
    // A key held on from another window is not for this one's controls.
    return !lastKeyDelivered_;
}

QWidget* widgetOf(Window& window) { return static_cast<QtWindow&>(window).widget(); }

QWidget* widgetOf(Control& control)
{
    const auto* holder = dynamic_cast<const QtWidgetHolder*>(&control);
    return holder ? holder->widget() : nullptr;
}

QTimer* timerOf(Timer& timer) { return static_cast<QtTimer&>(timer).timer(); }

} // namespace hopplix
