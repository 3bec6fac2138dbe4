#include "game/ui/Form2.h"

#include "forms/FormRegistry.h"
#include "forms/ShapeWidget.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWindow>
#include <algorithm>

namespace hopplix {

namespace {

struct Place {
    int left, top, width, height; // twips
};

// The markers run clockwise from the top-left, like the probes, on the Player marker's
// corners and edge midpoints.
constexpr std::array<Place, 8> kMarkers{{{480, 240, 600, 600},
                                         {1680, 240, 600, 600},
                                         {2760, 240, 600, 600},
                                         {2760, 1320, 600, 600},
                                         {2760, 2520, 600, 600},
                                         {1680, 2520, 600, 600},
                                         {480, 2520, 600, 600},
                                         {480, 1320, 600, 600}}};
constexpr Place kPlayer{720, 480, 2400, 2400};
constexpr Place kLabel{360, 3240, 3135, 375};
constexpr int kClientWidth = 3915;
constexpr int kClientHeight = 3720;

} // namespace

std::unique_ptr<FormWindow> Form2::createWindow()
{
    auto window = std::make_unique<FormWindow>(*this);
    window->setWindowTitle(QStringLiteral("DebugScreen"));
    window->makeFixedDialog(/*tool=*/true);
    // It has nothing to type into: showing it leaves the focus where it is.
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setFixedSize(pxX(kClientWidth), pxY(kClientHeight));

    auto place = [this](QWidget* w, const Place& p) { w->setGeometry(pxX(p.left), pxY(p.top), pxX(p.width), pxY(p.height)); };

    // The Player marker lies beneath the eight probe markers.
    player_ = new ShapeWidget(ShapeWidget::Kind::RoundedSquare, QColor(255, 0, 0), window.get());
    player_->setBorderColor(Qt::black);
    place(player_, kPlayer);
    for (std::size_t i = 0; i < kMarkers.size(); ++i) {
        shape1_[i] = new ShapeWidget(ShapeWidget::Kind::Circle, Qt::white, window.get());
        shape1_[i]->setBorderColor(Qt::black);
        place(shape1_[i], kMarkers[i]);
    }
    label1_ = new QLabel(QStringLiteral("Beschleunigung:"), window.get());
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(12);
    font.setBold(true);
    label1_->setFont(font);
    place(label1_, kLabel);
    return window;
}

void Form2::controlsDestroyed()
{
    shape1_.fill(nullptr);
    player_ = nullptr;
    label1_ = nullptr;
}

void Form2::Form_Load()
{
    // Beside the game window where the screen has room, so it hides none of the level; else
    // over the game window's top-right corner. Either way it stays above the game window.
    FormWindow* own = window();
    QScreen* screen = own->screen() ? own->screen() : QGuiApplication::primaryScreen();
    Form& game = forms().form1();
    if (!screen || !game.isLoaded())
        return;
    FormWindow* gameWindow = game.window();
    own->winId(); // the window system's window, to tie it to the game's
    if (QWindow* handle = own->windowHandle())
        handle->setTransientParent(gameWindow->windowHandle());

    const QRect area = screen->availableGeometry();
    const QRect gameFrame = gameWindow->frameGeometry();
    // Its own frame is known only once it is on the screen: the game window's is a fair guess.
    const QSize outer = own->size() + frameExtraPixels().expandedTo(game.frameExtraPixels());
    const QPoint inset = gameWindow->geometry().topLeft() - gameFrame.topLeft();
    QPoint at(gameFrame.right() + 1 - outer.width(), gameFrame.top()); // the frame's top-left
    if (gameFrame.right() + outer.width() <= area.right())
        at = QPoint(gameFrame.right() + 1, gameFrame.top());
    else if (gameFrame.left() - outer.width() >= area.left())
        at = QPoint(gameFrame.left() - outer.width(), gameFrame.top());
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
    // The client area's place, which means the same before and after the frame is known.
    own->setGeometry(QRect(at + inset, own->size()));
}

ShapeWidget* Form2::Shape1(int index)
{
    Load();
    return shape1_.at(static_cast<std::size_t>(index));
}

ShapeWidget* Form2::Player() { return loaded(player_); }

QLabel* Form2::Label1() { return loaded(label1_); }

} // namespace hopplix
