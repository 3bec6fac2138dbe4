#include "game/ui/Form2.h"

#include "forms/FormRegistry.h"
#include "forms/WindowSystem.h"

#include <algorithm>
#include <cstdint>

namespace hopplix {

namespace {

// What the player reads in this window.
constexpr const char* kCaption = "DebugScreen";
constexpr const char* kSpeedCaption = "Beschleunigung:";

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
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kBlack = 0;

} // namespace

void Form2::createControls(Window& window)
{
    window.setCaption(kCaption);
    window.setFixedDialog(/*tool=*/true);
    // It has nothing to type into: showing it leaves the focus where it is.
    window.setShowWithoutActivating(true);
    window.setClientSize({pxX(kClientWidth), pxY(kClientHeight)});

    const auto place = [this](Control& c, const Place& p) {
        c.setGeometry({pxX(p.left), pxY(p.top), pxX(p.width), pxY(p.height)});
    };

    // The Player marker lies beneath the eight probe markers.
    player_ = &window.addShape(Shape::Kind::RoundedSquare);
    player_->setFill(kRed);
    player_->setBorder(kBlack);
    place(*player_, kPlayer);
    for (std::size_t i = 0; i < kMarkers.size(); ++i) {
        shape1_[i] = &window.addShape(Shape::Kind::Circle);
        shape1_[i]->setFill(kWhite);
        shape1_[i]->setBorder(kBlack);
        place(*shape1_[i], kMarkers[i]);
    }
    label1_ = &window.addLabel();
    label1_->setText(kSpeedCaption);
    label1_->setFont(Font{"MS Sans Serif", 12, true});
    place(*label1_, kLabel);
}

void Form2::controlsDestroyed()
{
    shape1_.fill(nullptr);
    player_ = nullptr;
    label1_ = nullptr;
}

namespace {

std::int64_t overlapArea(const PixelRect& a, const PixelRect& b)
{
    const std::int64_t width = std::min(a.right(), b.right()) - std::max(a.x, b.x);
    const std::int64_t height = std::min(a.bottom(), b.bottom()) - std::max(a.y, b.y);
    return width > 0 && height > 0 ? width * height : 0;
}

// Where the debug window's frame goes: beside the game window where the screen has room, so it
// hides none of the level; else where it covers the least of the game window and never its
// title bar (its close and minimise buttons), at the top right where that is a tie.
PixelPoint debugWindowPlace(const PixelRect& area, const PixelRect& game, int gameClientTop, PixelSize outer)
{
    if (game.right() + outer.width <= area.right())
        return {game.right(), std::clamp(game.y, area.y, std::max(area.y, area.bottom() - outer.height))};
    if (game.x - outer.width >= area.x)
        return {game.x - outer.width, std::clamp(game.y, area.y, std::max(area.y, area.bottom() - outer.height))};

    const auto clampX = [&](int x) { return std::clamp(x, area.x, std::max(area.x, area.right() - outer.width)); };
    const auto clampY = [&](int y) { return std::clamp(y, area.y, std::max(area.y, area.bottom() - outer.height)); };
    const PixelPoint candidates[] = {
        {clampX(game.right() - outer.width), clampY(gameClientTop)}, // the top right, below the title bar
        {clampX(game.x), clampY(gameClientTop)},
        {clampX(game.right() - outer.width), clampY(game.bottom() - outer.height)},
        {clampX(game.x), clampY(game.bottom() - outer.height)},
        {clampX(game.right() - outer.width), clampY(game.y - outer.height)}, // above the game window
        {clampX(game.right() - outer.width), clampY(game.bottom())},         // below it
        {clampX(area.right() - outer.width), clampY(area.bottom() - outer.height)},
        {clampX(area.x), clampY(area.bottom() - outer.height)},
        {clampX(area.right() - outer.width), clampY(area.y)},
        {clampX(area.x), clampY(area.y)},
    };
    const PixelRect titleBar{game.x, game.y, game.width, std::max(0, gameClientTop - game.y)};
    PixelPoint best = candidates[0];
    std::int64_t bestCost = -1;
    for (const PixelPoint& at : candidates) {
        const PixelRect placed{at.x, at.y, outer.width, outer.height};
        // Covering the title bar costs more than covering the whole game window could.
        const std::int64_t cost =
            overlapArea(placed, game) + (overlapArea(placed, titleBar) > 0 ? std::int64_t{1} << 40 : std::int64_t{0});
        if (bestCost < 0 || cost < bestCost) {
            best = at;
            bestCost = cost;
        }
    }
    return best;
}

} // namespace

void Form2::Form_Load()
{
    // It stays above the game window, wherever it goes.
    Window* own = window();
    Form& game = forms().form1();
    const PixelRect area = windowSystem().availableArea();
    if (!own || area.width <= 0 || !game.isLoaded())
        return;
    Window* gameWindow = game.window();
    own->setOwner(*gameWindow);

    const PixelRect gameFrame = gameWindow->frameRect();
    // Its own frame is known only once it is on the screen: the game window's is a fair guess.
    const PixelSize ownFrame = frameExtraPixels();
    const PixelSize gameExtra = game.frameExtraPixels();
    const PixelSize client = own->clientSize();
    const PixelSize outer{client.width + std::max(ownFrame.width, gameExtra.width),
                          client.height + std::max(ownFrame.height, gameExtra.height)};
    const PixelPoint gameClient = gameWindow->clientPosition();
    const PixelPoint inset{gameClient.x - gameFrame.x, gameClient.y - gameFrame.y};
    const PixelPoint at = debugWindowPlace(area, gameFrame, gameClient.y, outer);
    // The client area's place, which means the same before and after the frame is known.
    own->moveClientTo({at.x + inset.x, at.y + inset.y});
}

Shape* Form2::Shape1(int index)
{
    Load();
    return shape1_.at(static_cast<std::size_t>(index));
}

Shape* Form2::Player() { return loaded(player_); }

Label* Form2::Label1() { return loaded(label1_); }

} // namespace hopplix
