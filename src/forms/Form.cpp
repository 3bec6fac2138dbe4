#include "forms/Form.h"

#include "forms/FormRegistry.h"
#include "forms/KeyMapping.h"
#include "common/Rounding.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>

namespace hopplix {

int clientExtentForOuter(int outerPixels, int framePixels) { return std::max(0, outerPixels - framePixels); }

// ---- FormWindow -----------------------------------------------------------------------------

FormWindow::FormWindow(Form& form) : QWidget(nullptr), form_(form) {}

FormWindow::~FormWindow()
{
    if (keyPreview_ && qApp)
        qApp->removeEventFilter(this);
}

void FormWindow::makeFixedDialog(bool tool)
{
    Qt::WindowFlags flags = (tool ? Qt::Tool : Qt::Dialog) | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                            | Qt::MSWindowsFixedSizeDialogHint;
    setWindowFlags(flags);
}

void FormWindow::setKeyPreview(bool on)
{
    if (on == keyPreview_ || detached_)
        return;
    keyPreview_ = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void FormWindow::detachFromForm()
{
    setKeyPreview(false);
    detached_ = true;
}

void FormWindow::closeEvent(QCloseEvent* event)
{
    // The window system asks to close: that is an unload of the form, which is never refused.
    // The form hides and disposes of this window itself.
    event->accept();
    if (!detached_)
        form_.closeRequestedByWindowSystem();
}

bool FormWindow::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
        // The window manager's frame arrives some time after the window is first shown.
        if (!detached_)
            form_.windowGeometryChanged();
        break;
    default:
        break;
    }
    return handled;
}

bool FormWindow::isPropagationOfLastKey(const QKeyEvent* key, QWidget* receiver) const
{
    // A key press that a control leaves untaken travels on, as the same event object, to the
    // control's parents. A new press has a new timestamp or, from a test, at least follows a
    // release; the receiver check keeps a new event at a reused address apart.
    return key == lastKey_ && key->type() == lastKeyType_ && key->key() == lastKeyCode_
           && key->timestamp() == lastKeyTime_ && lastKeyReceiver_ && receiver->isAncestorOf(lastKeyReceiver_);
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWidgetType() || detached_)
        return QWidget::eventFilter(watched, event);

    auto* widget = static_cast<QWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool propagated = isPropagationOfLastKey(key, widget);
    lastKey_ = key;
    lastKeyType_ = key->type();
    lastKeyCode_ = key->key();
    lastKeyTime_ = key->timestamp();
    lastKeyReceiver_ = widget;

    if (type == QEvent::KeyPress && !propagated && widget->window() == this) {
        const int code = virtualKeyOf(key->key());
        if (code != 0)
            form_.keyDownFromWindow(code, shiftStateOf(key->modifiers()), key->isAutoRepeat());
        // Even if the handler unloaded the form, this window lives until the event loop
        // regains control, so the control may still receive the key.
    }
    return false;
}

// ---- Form -----------------------------------------------------------------------------------

namespace {

// Cuts a window that is going away off from its form: no key preview, no close request, no
// signal of any control and no timer reaches the form any more.
void cutOff(FormWindow* window)
{
    window->detachFromForm();
    for (QTimer* timer : window->findChildren<QTimer*>())
        timer->stop();
    for (QObject* child : window->findChildren<QObject*>())
        child->blockSignals(true);
    window->blockSignals(true);
}

} // namespace

Form::Form(FormRegistry& forms) : forms_(forms) {}

Form::~Form()
{
    // At the end of the run: windows go without any handler running.
    for (const auto& old : retired_)
        delete old.data();
    if (window_) {
        cutOff(window_);
        delete window_.data();
    }
}

Services& Form::services() const { return forms_.services(); }

void Form::Load()
{
    if (window_ || unloading_)
        return;
    outerWidthPx_.reset();
    outerHeightPx_.reset();
    recentreWhenFrameKnown_ = false;
    // The screen may have changed since the last load (resolution, dpi).
    screen_ = services().screen();
    window_ = createWindow().release();
    loading_ = true;
    hiddenDuringLoad_ = false;
    Form_Load();
    loading_ = false;
    // Form_Load may have unloaded the form again (a level without its picture).
    if (window_ && centredOnScreen()) {
        centreOnScreen();
        // Centred on a guess of the frame: centred again once the frame is known.
        recentreWhenFrameKnown_ = !knownFrame_;
    }
}

void Form::Unload()
{
    if (!window_ || unloading_)
        return;
    unloading_ = true;
    Form_Unload();
    QPointer<FormWindow> going = window_;
    window_ = nullptr;
    controlsDestroyed();
    unloading_ = false;
    if (!going)
        return;
    // A handler of one of its own controls may still be on the stack: cut the window off now
    // and dispose of it once control returns to the event loop.
    cutOff(going);
    going->hide();
    going->deleteLater();
    std::erase_if(retired_, [](const QPointer<FormWindow>& w) { return w.isNull(); });
    retired_.push_back(going);
}

void Form::Show()
{
    const bool wasLoaded = isLoaded();
    Load();
    if (!window_ || (!wasLoaded && hiddenDuringLoad_))
        return;
    window_->show();
    window_->raise();
    if (!window_->testAttribute(Qt::WA_ShowWithoutActivating))
        window_->activateWindow();
}

void Form::Hide()
{
    Load();
    if (!window_)
        return;
    if (loading_)
        hiddenDuringLoad_ = true;
    window_->hide();
}

bool Form::Visible()
{
    Load();
    return window_ && window_->isVisible();
}

FormWindow* Form::window()
{
    Load();
    return window_;
}

const ScreenMetrics& Form::screen() const
{
    if (!screen_)
        screen_ = services().screen();
    return *screen_;
}

int Form::pxX(double twips) const { return roundToInt32Saturating(twips / screen().twipsPerPixelX); }
int Form::pxY(double twips) const { return roundToInt32Saturating(twips / screen().twipsPerPixelY); }
double Form::twipsX(int pixels) const { return pixels * screen().twipsPerPixelX; }
double Form::twipsY(int pixels) const { return pixels * screen().twipsPerPixelY; }

QSize Form::frameExtraPixels() const
{
    if (window_ && window_->isVisible()) {
        const QSize extra = window_->frameGeometry().size() - window_->geometry().size();
        if (extra.width() > 0 || extra.height() > 0)
            return extra;
    }
    return knownFrame_.value_or(QSize(0, 0));
}

void Form::applyOuterSize()
{
    if (!window_)
        return;
    const QSize frame = frameExtraPixels();
    const int width = outerWidthPx_ ? clientExtentForOuter(*outerWidthPx_, frame.width()) : window_->width();
    const int height = outerHeightPx_ ? clientExtentForOuter(*outerHeightPx_, frame.height()) : window_->height();
    if (window_->minimumSize() != QSize(width, height) || window_->maximumSize() != QSize(width, height)
        || window_->size() != QSize(width, height))
        window_->setFixedSize(width, height);
}

void Form::setOuterWidth(double twips)
{
    Load();
    outerWidthPx_ = pxX(twips);
    applyOuterSize();
}

void Form::setOuterHeight(double twips)
{
    Load();
    outerHeightPx_ = pxY(twips);
    applyOuterSize();
}

double Form::outerWidthTwips()
{
    Load();
    return window_ ? twipsX(window_->width() + frameExtraPixels().width()) : 0.0;
}

double Form::outerHeightTwips()
{
    Load();
    return window_ ? twipsY(window_->height() + frameExtraPixels().height()) : 0.0;
}

double Form::clientHeightTwips()
{
    Load();
    return window_ ? twipsY(window_->height()) : 0.0;
}

void Form::windowGeometryChanged()
{
    if (!window_ || !window_->isVisible())
        return;
    const QSize extra = window_->frameGeometry().size() - window_->geometry().size();
    if ((extra.width() <= 0 && extra.height() <= 0) || knownFrame_ == extra)
        return;
    knownFrame_ = extra;
    if (outerWidthPx_ || outerHeightPx_) {
        const QSize before = window_->size();
        applyOuterSize();
        if (window_ && window_->size() != before)
            clientAreaResized();
    }
    if (window_ && recentreWhenFrameKnown_) {
        recentreWhenFrameKnown_ = false;
        centreOnScreen();
    }
}

void Form::centreOnScreen()
{
    QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = frameExtraPixels();
    QRect outer(QPoint(0, 0), window_->size() + frame);
    outer.moveCenter(area.center());
    window_->move(outer.topLeft()); // move() places the frame's top-left corner
}

} // namespace hopplix
