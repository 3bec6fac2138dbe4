#include "forms/qt/ShapeWidget.h"

#include <QPainter>
#include <algorithm>

namespace hopplix {

ShapeWidget::ShapeWidget(Kind kind, const QColor& fill, QWidget* parent) : QWidget(parent), kind_(kind), fill_(fill)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeWidget::setFillColor(const QColor& colour)
{
    if (fill_ != colour) {
        fill_ = colour;
        update();
    }
}

void ShapeWidget::setBorderColor(const QColor& colour)
{
    if (border_ != colour) {
        border_ = colour;
        update();
    }
}

QRectF ShapeWidget::shapeRect() const
{
    const QRectF all(QPointF(0, 0), QSizeF(size()));
    if (kind_ == Kind::Rectangle || kind_ == Kind::RoundedRectangle)
        return all;
    const qreal side = std::min(all.width(), all.height());
    QRectF square(0, 0, side, side);
    square.moveCenter(all.center());
    return square;
}

void ShapeWidget::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    QRectF area = shapeRect();
    if (border_.isValid()) {
        painter.setPen(QPen(border_, 1));
        area.adjust(0.5, 0.5, -0.5, -0.5); // keep the outline inside the control
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(fill_);
    switch (kind_) {
    case Kind::Rectangle: painter.drawRect(area); break;
    case Kind::RoundedRectangle:
    case Kind::RoundedSquare: {
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal radius = std::min(area.width(), area.height()) / 6.0;
        painter.drawRoundedRect(area, radius, radius);
        break;
    }
    case Kind::Circle:
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawEllipse(area);
        break;
    }
}

} // namespace hopplix
