#include "game/ui/Form2.h"

#include "forms/FormRegistry.h"
#include "forms/ShapeWidget.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

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
    // Beside the game window, so it hides none of the level; else in the screen's corner.
    FormWindow* own = window();
    QScreen* screen = own->screen() ? own->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize outer = own->size() + frameExtraPixels();
    QPoint at = area.topLeft();
    Form& game = forms().form1();
    if (game.isLoaded()) {
        const QRect gameFrame = game.window()->frameGeometry();
        if (gameFrame.right() + outer.width() <= area.right())
            at = QPoint(gameFrame.right() + 1, gameFrame.top());
        else if (gameFrame.left() - outer.width() >= area.left())
            at = QPoint(gameFrame.left() - outer.width(), gameFrame.top());
    }
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - outer.height())));
    own->move(at);
}

ShapeWidget* Form2::Shape1(int index)
{
    Load();
    return shape1_.at(static_cast<std::size_t>(index));
}

ShapeWidget* Form2::Player() { return loaded(player_); }

QLabel* Form2::Label1() { return loaded(label1_); }

} // namespace hopplix
