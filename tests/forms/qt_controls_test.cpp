// The Qt backend does what the control model says: one table per control kind, the model's
// call on one side and what the widget shows or reports on the other.

#include "forms/qt/QtWindowSystem.h"
#include "forms/qt/ShapeWidget.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <tuple>
#include <vector>

namespace hopplix {
namespace {

class QtBackend : public ::testing::Test {
protected:
    void TearDown() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QtWindowSystem system;
    std::unique_ptr<Window> window = system.createWindow();
    QWidget* top = widgetOf(*window);
};

TEST_F(QtBackend, WindowIsAFixedDialogWhoseCloseRequestAndKeysReachItsHandlers)
{
    window->setCaption("Levelauswahl");
    window->setFixedDialog(false);
    window->setClientSize({120, 80});
    window->setHighlightBackground();
    window->setGameIcon();
    EXPECT_EQ(top->windowTitle(), QStringLiteral("Levelauswahl"));
    EXPECT_EQ(top->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Highlight));
    const QList<QSize> iconSizes = top->windowIcon().availableSizes();
    EXPECT_EQ(iconSizes, QList<QSize>{QSize(40, 40)});
    EXPECT_FALSE(top->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(top->minimumSize(), QSize(120, 80));
    EXPECT_EQ(top->maximumSize(), QSize(120, 80));

    int closes = 0;
    std::vector<std::tuple<int, int, bool>> keys;
    window->onCloseRequest = [&] { ++closes; };
    window->onKeyDown = [&](int key, int shift, bool repeat) { keys.emplace_back(key, shift, repeat); };
    CommandButton& button = window->addCommandButton();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(top));
    EXPECT_TRUE(window->isExposed());
    QTest::keyClick(widgetOf(button), Qt::Key_D); // no key preview yet
    window->setKeyPreview(true);
    // The button leaves letters untaken: the press travels on to the window, seen once.
    QTest::keyClick(widgetOf(button), Qt::Key_D);
    QTest::keyClick(top, Qt::Key_R, Qt::ShiftModifier);
    QTest::keyPress(top, Qt::Key_Escape);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(top, &repeat);
    QTest::keyRelease(top, Qt::Key_Escape);
    EXPECT_EQ(keys, (std::vector<std::tuple<int, int, bool>>{
                        {vk::D, 0, false}, {vk::R, 1, false}, {vk::Escape, 0, false}, {vk::Escape, 0, true}}));
    top->close();
    EXPECT_EQ(closes, 1);

    // Retired: hidden, and nothing reaches the handlers any more.
    window->retire();
    EXPECT_FALSE(top->isVisible());
    top->close();
    QTest::keyClick(top, Qt::Key_D);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(keys.size(), 4u);
}

// Regression: Space held while the level ended opened the launcher's level list.
TEST_F(QtBackend, KeyHeldOnFromAnotherWindowDoesNotActInThisOne)
{
    auto other = system.createWindow();
    DropDownList& list = other->addDropDownList();
    list.addItem("Eins");
    list.addItem("Zwei");
    int previews = 0;
    other->setKeyPreview(true);
    other->onKeyDown = [&](int, int, bool) { ++previews; };
    window->show();
    other->show();
    QTest::keyPress(top, Qt::Key_Down); // pressed in the first window, held into the other
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(widgetOf(list), &repeat);
    QTest::keyRelease(widgetOf(list), Qt::Key_Down);
    EXPECT_EQ(list.currentIndex(), 0);
    EXPECT_EQ(previews, 0);
    QTest::keyClick(widgetOf(list), Qt::Key_Down); // pressed anew, it acts
    EXPECT_EQ(list.currentIndex(), 1);
    EXPECT_EQ(previews, 1);
}

TEST_F(QtBackend, LabelShowsItsTextInTheDesignedFontAndReportsClicks)
{
    Label& label = window->addLabel();
    auto* widget = static_cast<QLabel*>(widgetOf(label));
    label.setGeometry({10, 20, 100, 30});
    label.setFont(Font{{}, 18, true});
    label.setAlignment(Alignment::TopCentre);
    label.setText("Grün: 255");
    label.setBackground(0x0000FF);
    int clicks = 0;
    label.onClick = [&] { ++clicks; };
    EXPECT_EQ(widget->geometry(), QRect(10, 20, 100, 30));
    EXPECT_EQ(widget->text(), QStringLiteral("Grün: 255"));
    EXPECT_EQ(label.text(), "Grün: 255");
    EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), 18);
    EXPECT_TRUE(widget->font().bold());
    EXPECT_EQ(widget->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    EXPECT_TRUE(widget->autoFillBackground());
    EXPECT_EQ(widget->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_GT(label.textWidth(), 0);
    window->show();
    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    label.setVisible(false);
    EXPECT_FALSE(label.isVisible());
}

TEST_F(QtBackend, ShapeDrawsItsKindFillAndBorder)
{
    Shape& shape = window->addShape(Shape::Kind::Circle);
    auto* widget = static_cast<ShapeWidget*>(widgetOf(shape));
    shape.setFill(0x00FF80);
    shape.setBorder(0);
    EXPECT_EQ(widget->kind(), ShapeWidget::Kind::Circle);
    EXPECT_EQ(widget->fillColor(), QColor(128, 255, 0));
    EXPECT_EQ(widget->borderColor(), QColor(0, 0, 0));
    EXPECT_EQ(shape.fill(), 0x00FF80u);
    shape.setBorder(std::nullopt);
    EXPECT_FALSE(widget->borderColor().isValid());
    EXPECT_EQ(shape.border(), std::nullopt);
}

TEST_F(QtBackend, CommandButtonClicksOnlyWhenEnabled)
{
    CommandButton& button = window->addCommandButton();
    auto* widget = static_cast<QPushButton*>(widgetOf(button));
    button.setCaption("Start");
    button.setGeometry({0, 0, 80, 30});
    int clicks = 0;
    button.onClick = [&] { ++clicks; };
    window->show();
    EXPECT_EQ(widget->text(), QStringLiteral("Start"));
    QTest::mouseClick(widget, Qt::LeftButton);
    button.setEnabled(false);
    EXPECT_FALSE(widget->isEnabled());
    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

TEST_F(QtBackend, DropDownListReportsThePlayersPickButNotTheProgramsChoice)
{
    DropDownList& list = window->addDropDownList();
    auto* widget = static_cast<QComboBox*>(widgetOf(list));
    int clicks = 0;
    list.onClick = [&] { ++clicks; };
    list.addItem("Ärger");
    list.addItem("Zwei");
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.itemText(0), "Ärger");
    EXPECT_FALSE(widget->isEditable());
    list.setCurrentIndex(-1);
    EXPECT_EQ(list.currentIndex(), -1);
    window->show();
    QTest::keyClick(widget, Qt::Key_Down);
    EXPECT_EQ(list.currentIndex(), 0);
    EXPECT_EQ(clicks, 1);
    list.clear();
    EXPECT_EQ(widget->count(), 0);
}

TEST_F(QtBackend, ScrollBarStepsAndReportsChanges)
{
    HScrollBar& bar = window->addHScrollBar();
    auto* widget = static_cast<QScrollBar*>(widgetOf(bar));
    bar.setRange(0, 255);
    bar.setSmallChange(1);
    bar.setLargeChange(20);
    int changes = 0;
    bar.onChange = [&] { ++changes; };
    bar.setValue(300);
    EXPECT_EQ(widget->orientation(), Qt::Horizontal);
    EXPECT_EQ(widget->value(), 255);
    EXPECT_EQ(widget->singleStep(), 1);
    EXPECT_EQ(widget->pageStep(), 20);
    widget->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(bar.value(), 235);
    EXPECT_EQ(changes, 2);
}

TEST_F(QtBackend, TimerIsAPreciseQtTimerThatStopsWithItsWindow)
{
    Timer& timer = window->addTimer();
    timer.setInterval(5);
    int ticks = 0;
    timer.onTimer = [&] { ++ticks; };
    timer.setEnabled(true);
    EXPECT_EQ(timerOf(timer)->interval(), 5);
    EXPECT_EQ(timerOf(timer)->timerType(), Qt::PreciseTimer);
    EXPECT_TRUE(timerOf(timer)->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 5000);
    window->retire();
    EXPECT_FALSE(timer.isEnabled());
}

TEST_F(QtBackend, PlayfieldSurfaceShowsThePixelsAndThePlayerAndReportsMousePresses)
{
    const std::vector<std::uint32_t> pixels(40 * 30, 0x00FF00);
    PlayfieldSurface& surface = window->addPlayfieldSurface();
    surface.setGeometry({0, 0, 40, 30});
    surface.setPixels(pixels.data(), 40, 30);
    surface.setPlayer({10, 10, 6, 6}, 0xFF0000, true);
    std::vector<std::tuple<int, int, int, int>> presses;
    surface.onMouseDown = [&](int button, int shift, PixelPoint at) {
        presses.emplace_back(button, shift, at.x, at.y);
    };
    window->show();
    const QImage shown = widgetOf(surface)->grab().toImage();
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(0, 255, 0));
    EXPECT_EQ(shown.pixelColor(13, 13), QColor(0, 0, 255));
    EXPECT_EQ(surface.playerRect(), (PixelRect{10, 10, 6, 6}));
    QTest::mousePress(widgetOf(surface), Qt::RightButton, Qt::ControlModifier, QPoint(30, 20));
    EXPECT_EQ(presses, (std::vector<std::tuple<int, int, int, int>>{{2, 2, 30, 20}}));
}

} // namespace
} // namespace hopplix
