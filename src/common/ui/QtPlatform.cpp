#include "common/ui/QtPlatform.h"

#include "common/ui/KeyMapping.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace hopplix {

QtKeyState::QtKeyState() { qApp->installEventFilter(this); }

QtKeyState::~QtKeyState()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool QtKeyState::GetAsyncKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey >= static_cast<int>(down_.size()))
        return false;
    const auto k = static_cast<std::size_t>(virtualKey);
    const bool result = down_[k] || pressedSinceQuery_[k];
    pressedSinceQuery_[k] = false;
    return result;
}

bool QtKeyState::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        const int code = virtualKeyOf(key->key());
        // The same key event travels through several objects; auto-repeat sends release+press pairs.
        if (code > 0 && code < static_cast<int>(down_.size()) && !key->isAutoRepeat()) {
            const auto k = static_cast<std::size_t>(code);
            if (type == QEvent::KeyPress) {
                down_[k] = true;
                pressedSinceQuery_[k] = true;
            } else {
                down_[k] = false;
            }
        }
    } else if (type == QEvent::ApplicationDeactivate) {
        // Releases that happen while none of our windows is active never reach us.
        down_.fill(false);
    }
    return QObject::eventFilter(watched, event);
}

int QtMessageBoxes::MsgBox(const std::string& prompt, int style, const std::string& title)
{
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(prompt));
    box.setIcon((style & mb::vbCritical) ? QMessageBox::Critical : QMessageBox::NoIcon);
    if ((style & 7) == mb::vbYesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.exec();
        return box.clickedButton() == yes ? mb::vbYes : mb::vbNo;
    }
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
    return mb::vbOK;
}

void QtBeeper::Beep() { QApplication::beep(); }

ScreenMetrics currentScreenMetrics()
{
    ScreenMetrics m;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return m;
    const double dpiX = screen->logicalDotsPerInchX();
    const double dpiY = screen->logicalDotsPerInchY();
    m.twipsPerPixelX = dpiX > 0 ? 1440.0 / dpiX : 15.0;
    m.twipsPerPixelY = dpiY > 0 ? 1440.0 / dpiY : 15.0;
    const QSize size = screen->size();
    m.widthTwips = size.width() * m.twipsPerPixelX;
    m.heightTwips = size.height() * m.twipsPerPixelY;
    return m;
}

} // namespace hopplix
