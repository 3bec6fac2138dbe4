#include "forms/qt/PlayfieldView.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace hopplix {

PlayfieldView::PlayfieldView(QWidget* parent) : QWidget(parent)
{
    // Every pixel is painted by paintEvent: no background fill first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlayfieldView::setPixels(const std::uint32_t* pixels, int width, int height)
{
    if (pixels && width > 0 && height > 0) {
        // 0x00BBGGRR in a little-endian 32-bit word is the byte sequence R, G, B, 0.
        static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the playfield buffer is read as R, G, B, X bytes");
        const auto* bytes = reinterpret_cast<const uchar*>(pixels);
        image_ = QImage(bytes, width, height, width * 4, QImage::Format_RGBX8888);
    } else {
        image_ = QImage();
    }
    update();
}

QRect PlayfieldView::shownPlayerArea() const { return playerVisible_ && playerRect_.isValid() ? playerRect_ : QRect(); }

void PlayfieldView::setPlayer(const QRect& rect, const QColor& fill, bool visible)
{
    const QRect before = shownPlayerArea();
    const bool looksDifferent = fill != playerFill_;
    playerRect_ = rect;
    playerFill_ = fill;
    playerVisible_ = visible;
    const QRect after = shownPlayerArea();
    if (before == after && !looksDifferent)
        return;
    QRegion dirty;
    dirty += before;
    dirty += after;
    if (!dirty.isEmpty())
        update(dirty);
}

void PlayfieldView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // With more device pixels than pixels (HiDPI) each pixel becomes a block in its exact
    // colour, never a blend: the player sees what the probes read.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect picture = image_.rect();
    for (const QRect& area : event->region()) {
        const QRect inside = area & picture;
        if (!inside.isEmpty())
            painter.drawImage(inside.topLeft(), image_, inside);
        // Beyond the picture (a client area the window system made larger) is free space.
        if (inside != area) {
            QRegion outside(area);
            outside -= inside;
            for (const QRect& rest : outside)
                painter.fillRect(rest, Qt::white);
        }
    }

    const QRect player = shownPlayerArea();
    if (!player.isEmpty() && event->region().intersects(player)) {
        painter.setClipRegion(event->region());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(playerFill_);
        const QRectF area(player);
        const qreal radius = std::min(area.width(), area.height()) / 6.0;
        painter.drawRoundedRect(area, radius, radius);
    }
}

void PlayfieldView::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event->button(), event->modifiers(), event->position().toPoint());
    event->accept();
}

} // namespace hopplix
