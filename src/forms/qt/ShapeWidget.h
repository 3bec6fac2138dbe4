#pragma once
// A filled shape control: rectangle, rounded rectangle, rounded square or circle. The square
// and the circle take the smaller side of the control and sit in its middle. A shape never
// takes mouse presses: they reach whatever lies beneath it.

#include <QColor>
#include <QWidget>

namespace hopplix {

class ShapeWidget : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Rectangle, RoundedRectangle, RoundedSquare, Circle };

    explicit ShapeWidget(Kind kind, const QColor& fill = Qt::white, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor& colour);
    // One pixel outline; an invalid colour (the default) draws none.
    QColor borderColor() const { return border_; }
    void setBorderColor(const QColor& colour);

    // The part of the control the shape covers, in the control's coordinates.
    QRectF shapeRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind kind_;
    QColor fill_;
    QColor border_;
};

} // namespace hopplix
