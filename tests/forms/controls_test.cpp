#include "forms/qt/ClickLabel.h"
#include "forms/qt/ShapeWidget.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace hopplix {
namespace {

using Kind = ShapeWidget::Kind;

QColor pixelAt(QWidget& w, int x, int y) { return w.grab().toImage().pixelColor(x, y); }

class ShapeOnBackground : public ::testing::Test {
protected:
    ShapeOnBackground()
    {
        parent.resize(100, 100);
        parent.setAutoFillBackground(true);
        QPalette pal = parent.palette();
        pal.setColor(QPalette::Window, Qt::white);
        parent.setPalette(pal);
    }
    QWidget parent;
};

TEST_F(ShapeOnBackground, RectangleFillsTheWholeControl)
{
    ShapeWidget shape(Kind::Rectangle, QColor(128, 128, 255), &parent);
    shape.setGeometry(10, 10, 40, 20);
    EXPECT_EQ(pixelAt(parent, 10, 10), QColor(128, 128, 255));
    EXPECT_EQ(pixelAt(parent, 49, 29), QColor(128, 128, 255));
    EXPECT_EQ(pixelAt(parent, 50, 30), QColor(Qt::white));
}

TEST_F(ShapeOnBackground, CircleIsCentredOnTheShorterSide)
{
    ShapeWidget shape(Kind::Circle, QColor(0, 128, 0), &parent);
    shape.setGeometry(0, 0, 40, 20);
    EXPECT_EQ(shape.shapeRect(), QRectF(10, 0, 20, 20));
    EXPECT_EQ(pixelAt(parent, 20, 10), QColor(0, 128, 0));
    EXPECT_EQ(pixelAt(parent, 2, 10), QColor(Qt::white));
    EXPECT_EQ(pixelAt(parent, 11, 1), QColor(Qt::white)); // outside the circle's arc
}

TEST_F(ShapeOnBackground, RoundedRectangleLeavesItsCornersOpen)
{
    ShapeWidget shape(Kind::RoundedRectangle, QColor(255, 0, 0), &parent);
    shape.setGeometry(0, 0, 60, 30);
    EXPECT_EQ(shape.shapeRect(), QRectF(0, 0, 60, 30));
    EXPECT_EQ(pixelAt(parent, 30, 15), QColor(255, 0, 0));
    EXPECT_EQ(pixelAt(parent, 30, 1), QColor(255, 0, 0));
    EXPECT_EQ(pixelAt(parent, 0, 0), QColor(Qt::white));
}

TEST_F(ShapeOnBackground, RoundedSquareIsASquare)
{
    ShapeWidget shape(Kind::RoundedSquare, Qt::black, &parent);
    shape.setGeometry(0, 0, 20, 60);
    EXPECT_EQ(shape.shapeRect(), QRectF(0, 20, 20, 20));
}

TEST_F(ShapeOnBackground, NewFillColourIsPainted)
{
    ShapeWidget shape(Kind::Rectangle, Qt::black, &parent);
    shape.setGeometry(0, 0, 10, 10);
    shape.setFillColor(QColor(10, 20, 30));
    EXPECT_EQ(shape.fillColor(), QColor(10, 20, 30));
    EXPECT_EQ(pixelAt(parent, 5, 5), QColor(10, 20, 30));
}

TEST_F(ShapeOnBackground, BorderIsDrawnOnlyWhenAsked)
{
    ShapeWidget shape(Kind::Rectangle, Qt::white, &parent);
    shape.setGeometry(0, 0, 10, 10);
    EXPECT_EQ(pixelAt(parent, 0, 0), QColor(Qt::white));
    shape.setBorderColor(Qt::black);
    EXPECT_EQ(pixelAt(parent, 0, 0), QColor(Qt::black));
    EXPECT_EQ(pixelAt(parent, 5, 5), QColor(Qt::white));
}

TEST_F(ShapeOnBackground, MousePressesPassThroughTheShape)
{
    ShapeWidget shape(Kind::Rectangle, Qt::black, &parent);
    shape.setGeometry(0, 0, 10, 10);
    EXPECT_EQ(parent.childAt(5, 5), nullptr);
}

TEST(ClickLabel, PressAndReleaseOverTheLabelIsAClick)
{
    ClickLabel label(QStringLiteral("<<< >>>"));
    label.resize(100, 20);
    QSignalSpy clicks(&label, &ClickLabel::clicked);
    QTest::mouseClick(&label, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(ClickLabel, ReleaseOutsideOrOtherButtonIsNoClick)
{
    ClickLabel label(QStringLiteral("<<< >>>"));
    label.resize(100, 20);
    QSignalSpy clicks(&label, &ClickLabel::clicked);
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(150, 5));
    QTest::mouseClick(&label, Qt::RightButton);
    EXPECT_EQ(clicks.count(), 0);
}

} // namespace
} // namespace hopplix
