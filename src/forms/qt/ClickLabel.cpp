#include "forms/qt/ClickLabel.h"

#include <QMouseEvent>

namespace hopplix {

void ClickLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            emit clicked(); // the handler may unload the window; nothing of this label is used after
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

} // namespace hopplix
