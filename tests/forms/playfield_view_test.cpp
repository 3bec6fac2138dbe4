// The playfield on a screen with more device pixels than pixels (HiDPI): every pixel of the
// painted level becomes a block of device pixels in its exact colour, so what the player sees is
// what the probes read.

#include "forms/qt/PlayfieldView.h"
#include "game/Playfield.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPaintEvent>
#include <QSet>

namespace hopplix::test {
namespace {

QRgb shownAs(uint32_t colour) { return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

// One-pixel stripes and checks of all seven colours: any smoothing would blend them.
Playfield stripes()
{
    Playfield field(21, 14);
    for (int y = 0; y < field.height(); ++y)
        for (int x = 0; x < field.width(); ++x)
            field.setPixel(x, y, kColourLegend[static_cast<size_t>((x + 3 * y) % 7)].colour);
    return field;
}

QImage rendered(const Playfield& field, qreal devicePixelRatio)
{
    PlayfieldView view;
    view.setPixels(field.pixels().data(), field.width(), field.height());
    view.resize(field.width(), field.height());
    QImage image(QSize(field.width(), field.height()) * devicePixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::gray);
    view.render(&image);
    return image;
}

TEST(PlayfieldView, EveryPixelIsATwoByTwoBlockOfItsExactColourAtDevicePixelRatioTwo)
{
    const Playfield field = stripes();
    const QImage image = rendered(field, 2.0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y), shownAs(field.pixel(x / 2, y / 2))) << "device pixel " << x << "," << y;
}

TEST(PlayfieldView, FractionalDevicePixelRatioShowsOnlyThePlayfieldsColours)
{
    const Playfield field = stripes();
    const QImage image = rendered(field, 1.5);
    QSet<QRgb> legend;
    for (const LegendEntry& entry : kColourLegend)
        legend.insert(shownAs(entry.colour));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_TRUE(legend.contains(image.pixel(x, y))) << "blended colour at device pixel " << x << "," << y;
}

// Records the areas of a widget that are repainted.
class PaintRecorder : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST(PlayfieldView, MovingThePlayerRepaintsOnlyItsOldAndNewPlace)
{
    const Playfield field = stripes();
    PlayfieldView view;
    view.setPixels(field.pixels().data(), field.width(), field.height());
    view.resize(field.width(), field.height());
    view.setPlayer(QRect(2, 2, 4, 4), QColor(255, 0, 0), true);
    view.show();
    QCoreApplication::processEvents();
    PaintRecorder recorder;
    view.installEventFilter(&recorder);
    view.setPlayer(QRect(3, 5, 4, 4), QColor(255, 0, 0), true);
    view.setPlayer(QRect(3, 5, 4, 4), QColor(255, 0, 0), true); // nothing changed
    QCoreApplication::processEvents();
    view.removeEventFilter(&recorder);
    EXPECT_FALSE(recorder.painted.isEmpty());
    EXPECT_TRUE((recorder.painted - QRegion(2, 2, 4, 4) - QRegion(3, 5, 4, 4)).isEmpty());
}

} // namespace
} // namespace hopplix::test
