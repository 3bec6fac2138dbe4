#include "forms/qt/GameIcon.h"

#include <QPainter>
#include <QPixmap>

namespace hopplix {

QImage gameIconImage()
{
    QImage image(40, 40, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.fillRect(0, 32, 40, 8, QColor(0, 0, 0));      // ground
    painter.fillRect(26, 24, 14, 8, QColor(128, 0, 128)); // launch pad
    painter.fillRect(30, 4, 8, 8, QColor(0, 255, 0));     // goal
    painter.fillRect(0, 28, 6, 4, QColor(255, 128, 0));   // climbing surface
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(255, 0, 0)); // the player, mid-leap
    painter.drawRoundedRect(QRectF(8, 12, 14, 14), 2.5, 2.5);
    painter.end();
    return image;
}

QIcon gameIcon() { return QIcon(QPixmap::fromImage(gameIconImage())); }

} // namespace hopplix
