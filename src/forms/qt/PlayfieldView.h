#pragma once
// The playfield control Picture1: shows the painted level 1:1 straight from the engine's pixel
// buffer, and the player Shape1 over it. It repaints only what changed: the player's old and
// new place when it moves, never the whole level.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <cstdint>

namespace hopplix {

class PlayfieldView : public QWidget {
    Q_OBJECT
public:
    explicit PlayfieldView(QWidget* parent = nullptr);

    // Shows the pixels (0x00BBGGRR, `width` a row; nullptr: plain white). The buffer is read
    // in place, so it must outlive the view or be replaced before it goes.
    void setPixels(const std::uint32_t* pixels, int width, int height);

    // The player as it is to be drawn, in the view's pixels. Changes schedule a repaint of
    // the old and the new place only.
    void setPlayer(const QRect& rect, const QColor& fill, bool visible);
    QRect playerRect() const { return playerRect_; }
    QColor playerFill() const { return playerFill_; }
    bool playerVisible() const { return playerVisible_; }

signals:
    // Any mouse button went down over the playfield, at `position` in the view's pixels.
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QRect shownPlayerArea() const;

    QImage image_; // wraps the playfield's buffer, no copy
    QRect playerRect_;
    QColor playerFill_ = QColor(255, 0, 0);
    bool playerVisible_ = false;
};

} // namespace hopplix
