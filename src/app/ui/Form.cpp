#include "app/ui/Form.h"

#include "app/ui/FormRegistry.h"
#include "common/ui/KeyMapping.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <cmath>

namespace hopplix {

FormWindow::FormWindow(Form& form) : QWidget(nullptr), form_(form) {}

FormWindow::~FormWindow()
{
    if (keyPreview_)
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
    if (on == keyPreview_)
        return;
    keyPreview_ = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void FormWindow::closeEvent(QCloseEvent* event)
{
    // The window system asks to close: that is an unload of the form. The form hides and
    // disposes of this window itself, so the event is accepted here either way.
    event->accept();
    form_.closeRequestedByWindowSystem();
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->window() == this) {
            auto* key = static_cast<QKeyEvent*>(event);
            const int code = virtualKeyOf(key->key());
            if (code != 0) {
                // Keep ourselves alive across the handler: it may unload the form.
                QPointer<FormWindow> self(this);
                form_.keyDownFromWindow(code, shiftStateOf(key->modifiers()));
                if (!self)
                    return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

Form::Form(FormRegistry& forms) : forms_(forms) {}

Form::~Form()
{
    delete window_.data();
}

void Form::Load()
{
    if (window_)
        return;
    window_ = createWindow().release();
    Form_Load();
    // Form_Load may have unloaded the form again (a level without its picture).
    if (window_ && centredOnScreen())
        centreOnScreen();
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
    if (going) {
        // A handler of one of its own controls may still be on the stack: dispose of the
        // window once control returns to the event loop.
        going->hide();
        going->deleteLater();
    }
}

void Form::Show()
{
    Load();
    if (!window_)
        return;
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void Form::Hide()
{
    Load();
    if (window_)
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

int Form::pxX(double twips) const { return static_cast<int>(std::lround(twips / forms_.services().screen.twipsPerPixelX)); }
int Form::pxY(double twips) const { return static_cast<int>(std::lround(twips / forms_.services().screen.twipsPerPixelY)); }
double Form::twipsX(int pixels) const { return pixels * forms_.services().screen.twipsPerPixelX; }
double Form::twipsY(int pixels) const { return pixels * forms_.services().screen.twipsPerPixelY; }

void Form::centreOnScreen()
{
    QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = window_->frameGeometry();
    frame.moveCenter(area.center());
    window_->move(frame.topLeft());
}

} // namespace hopplix
