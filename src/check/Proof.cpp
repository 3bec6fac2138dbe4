#include "check/Proof.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace hopplix::check {

namespace {

// Places, sizes and the start beyond this many twips are left to the search: below it a float
// Left or Top moved by a stride or a step is off by less than kSlack.
constexpr double kLargestTwips = 1 << 20;
constexpr double kSlack = 0.25;
// More cells than this (a playfield far beyond any screen) are left to the search.
constexpr std::int64_t kMaxCells = std::int64_t{1} << 25;
// Combinations of letters one cell can show at once; beyond this the proof gives up.
constexpr std::uint64_t kMaxCombinations = 4096;

// A set of class letters, one bit each.
using Letters = std::uint8_t;
constexpr std::array<char, 7> kLetterOrder{'w', 's', 'r', 'o', 'g', 'l', 'b'};

Letters bitOf(char letter)
{
    for (std::size_t i = 0; i < kLetterOrder.size(); ++i)
        if (kLetterOrder[i] == letter)
            return static_cast<Letters>(1u << i);
    return 1; // every other value reads as 'w'
}

// The rules' view of a speed: one value, or (never set in this tick) any value at all.
struct Speed {
    bool known = false;
    int value = 0;
    void set(int v) { *this = {true, v}; }
    void add(int delta)
    {
        if (known)
            value = addClamped(static_cast<std::int16_t>(value), delta);
    }
};

enum Kind : std::uint8_t { kRest = 1, kUp = 2, kDown = 4 };

class Abstraction {
public:
    explicit Abstraction(const LevelSession& session)
        : field_(session.playfield()),
          tppX_(field_.twipsPerPixelX()),
          tppY_(field_.twipsPerPixelY()),
          side_(session.player().Width),
          height_(session.player().Height),
          scaleHeight_(session.layout().client.ScaleHeight),
          pictureWidth_(session.layout().client.ScaleWidth)
    {
        const PlayerShape& player = session.player();
        const StartPosition& start = session.layout().start;
        const auto sane = [](double v) { return std::isfinite(v) && std::fabs(v) < kLargestTwips; };
        usable_ = tppX_ >= 1.0 && tppY_ >= 1.0 && tppX_ <= 1440.0 && tppY_ <= 1440.0 && side_ > 0 &&
                  height_ > 0 && sane(side_) && sane(height_) && sane(player.Left) && sane(player.Top) &&
                  sane(start.Left) && sane(start.Top) && sane(scaleHeight_) && sane(pictureWidth_) &&
                  field_.width() > 0 && field_.height() > 0;
        if (!usable_)
            return;
        // A margin of cells around the picture that strides, steps and the edge rules cannot
        // carry the player beyond; a branch that leaves it ends the proof unproven.
        const int marginX = 8 + static_cast<int>(std::ceil(80.0 / tppX_));
        const int marginY = 8 + static_cast<int>(std::ceil(80.0 / tppY_));
        cLo_ = -marginX;
        rLo_ = -marginY;
        columns_ = field_.width() + 2 * marginX;
        rows_ = field_.height() + 2 * marginY;
        if (std::int64_t{columns_} * rows_ > kMaxCells) {
            usable_ = false;
            return;
        }
        startColumn_ = cellOf(start.Left, tppX_);
        startRow_ = cellOf(start.Top, tppY_);
        playerColumn_ = cellOf(player.Left, tppX_);
        playerRow_ = cellOf(player.Top, tppY_);
    }

    // True when green is out of reach of every branch.
    bool provesNoRoute()
    {
        if (!usable_)
            return false;
        seen_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), 0);
        if (!inside(startColumn_, startRow_))
            return false;
        reach(playerColumn_, playerRow_, kRest);
        while (!work_.empty() && !failed_) {
            const std::uint64_t item = work_.back();
            work_.pop_back();
            const auto kind = static_cast<Kind>(item & 7u);
            const auto index = static_cast<std::int64_t>(item >> 3);
            const int c = static_cast<int>(index % columns_) + cLo_;
            const int r = static_cast<int>(index / columns_) + rLo_;
            if (kind == kRest)
                rest(c, r);
            else
                moving(c, r, kind);
        }
        return !failed_;
    }

private:
    static int cellOf(double twips, double perPixel) { return static_cast<int>(std::floor(twips / perPixel)); }

    bool inside(int c, int r) const
    {
        return c >= cLo_ && r >= rLo_ && c < cLo_ + columns_ && r < rLo_ + rows_;
    }

    void reach(int c, int r, Kind kind)
    {
        if (!inside(c, r)) {
            failed_ = true; // beyond the margin: not covered
            return;
        }
        const std::size_t index =
            static_cast<std::size_t>(r - rLo_) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(c - cLo_);
        if (seen_[index] & kind)
            return;
        seen_[index] |= kind;
        work_.push_back(std::uint64_t{index} << 3 | kind);
    }

    // The pixel index (0 .. size - 1 inside, -1 or size outside) a probe at `twips` reads.
    static int pixelOf(int32_t index, int32_t twips, int size)
    {
        if (index != 0)
            return index - 1;
        return twips < 0 ? -1 : size;
    }

    // The letters a probe can read from a cell: the pixels its point rounds to from anywhere in
    // the cell, offset by `offX` and `offY` twips from Left and Top.
    Letters lettersAt(int c, int r, double offX, double offY) const
    {
        const auto lo = [](double v) { return static_cast<int32_t>(std::floor(v)) - 1; };
        const auto hi = [](double v) { return static_cast<int32_t>(std::ceil(v)) + 1; };
        const int32_t x0 = lo(c * double{tppX_} + offX);
        const int32_t x1 = hi((c + 1) * double{tppX_} + offX);
        const int32_t y0 = lo(r * double{tppY_} + offY);
        const int32_t y1 = hi((r + 1) * double{tppY_} + offY);
        const int w = field_.width();
        const int h = field_.height();
        const int px0 = pixelOf(field_.columnOf(x0), x0, w);
        const int px1 = pixelOf(field_.columnOf(x1), x1, w);
        const int py0 = pixelOf(field_.rowOf(y0), y0, h);
        const int py1 = pixelOf(field_.rowOf(y1), y1, h);
        Letters letters = 0;
        if (px0 < 0 || py0 < 0 || px1 >= w || py1 >= h)
            letters |= bitOf('w');
        for (int y = std::max(py0, 0); y <= std::min(py1, h - 1); ++y)
            for (int x = std::max(px0, 0); x <= std::min(px1, w - 1); ++x)
                letters |= bitOf(field_.classAtIndex(x + 1, y + 1));
        return letters;
    }

    std::array<Letters, 8> lettersOf(int c, int r) const
    {
        const double w = side_;
        const double h = height_;
        return {lettersAt(c, r, 0, 0),         lettersAt(c, r, w / 2, 0),     lettersAt(c, r, w, 0),
                lettersAt(c, r, w, h / 2),     lettersAt(c, r, w, h),         lettersAt(c, r, w / 2, h),
                lettersAt(c, r, 0, h),         lettersAt(c, r, 0, h / 2)};
    }

    // Calls `each` with every combination of one letter per probe.
    template <typename Each>
    bool combinations(const std::array<Letters, 8>& sets, Each each)
    {
        std::uint64_t count = 1;
        for (const Letters set : sets)
            count *= static_cast<std::uint64_t>(std::popcount(set));
        if (count == 0 || count > kMaxCombinations) {
            failed_ = true;
            return false;
        }
        Punktfarbe p{};
        const auto walk = [&](const auto& self, std::size_t k) -> void {
            if (k == sets.size()) {
                each(p);
                return;
            }
            for (std::size_t i = 0; i < kLetterOrder.size(); ++i) {
                if (sets[k] & (1u << i)) {
                    p[k] = kLetterOrder[i];
                    self(self, k + 1);
                }
            }
        };
        walk(walk, 0);
        return true;
    }

    static bool anyGreen(const std::array<Letters, 8>& sets)
    {
        return std::any_of(sets.begin(), sets.end(), [](Letters s) { return (s & bitOf('g')) != 0; });
    }

    // The cells Left or Top can be in after moving by `delta` twips from cell `cell`; a float
    // sum may round by a little. `moved` false: not moved at all, exactly where it was.
    static std::pair<int, int> shifted(int cell, double delta, double perPixel, bool moved = true)
    {
        if (!moved)
            return {cell, cell};
        return {cellOf(cell * perPixel + delta - kSlack, perPixel), cellOf((cell + 1) * perPixel + delta + kSlack, perPixel)};
    }

    static bool freeAt(const Punktfarbe& p, int k) { return p[static_cast<std::size_t>(k - 1)] == 'w'; }
    static bool blockedAt(const Punktfarbe& p, int k) { return !freeAt(p, k); }
    static bool isAt(const Punktfarbe& p, int k, char letter) { return p[static_cast<std::size_t>(k - 1)] == letter; }

    // Strides with the letters `p` from cell (c, r): none, right, left, or both (back again).
    void strides(int c, int r, const Punktfarbe* p)
    {
        const bool right = (!p || (freeAt(*p, 4) && freeAt(*p, 3) && freeAt(*p, 5))) &&
                           double{side_} + c * double{tppX_} - kSlack < pictureWidth_;
        const bool left = (!p || (freeAt(*p, 8) && freeAt(*p, 1) && freeAt(*p, 7))) && c >= 0;
        // No stride, right, left, and right then left (back within a rounding).
        const std::array<std::pair<bool, double>, 4> moves{
            {{true, 0.0}, {right, 35.0}, {left, -35.0}, {right && left, 0.0}}};
        for (std::size_t m = 0; m < moves.size(); ++m) {
            if (!moves[m].first)
                continue;
            const auto [first, last] = shifted(c, moves[m].second, tppX_, m != 0);
            for (int to = first; to <= last; ++to)
                reach(to, r, kRest);
        }
    }

    // The next 2-twip step of a movement from cell (c, r).
    void step(int c, int r, Kind direction)
    {
        const auto [first, last] = shifted(r, direction == kUp ? -2.0 : 2.0, tppY_);
        for (int to = first; to <= last; ++to) {
            // A fall happens only when it keeps the player's bottom above the client's (the
            // reach test), and it ends at most 2 twips further than its speed.
            if (direction == kDown && to * double{tppY_} >= double{scaleHeight_} - height_ + 2.0 + kSlack)
                continue;
            if (direction == kUp && to < 0) {
                // Top went below 0: the movement ends unprobed, the letters are older ones.
                strides(c, to, nullptr);
                continue;
            }
            reach(c, to, direction);
        }
    }

    // The part of a tick after the probes read `p`, from cell (c, r), the speed as it came in.
    void restOfTick(const Punktfarbe& p, int c, int r, Speed speed)
    {
        const bool topFree = freeAt(p, 1) && freeAt(p, 2) && freeAt(p, 3);
        if (!topFree)
            speed.set(0);
        for (int keys = 0; keys < 4; ++keys) {
            Speed b = speed;
            if ((keys & 1) && blockedAt(p, 8) && topFree)
                b.set(-20);
            if ((keys & 2) && blockedAt(p, 4) && topFree)
                b.set(-20);
            double shift = 0;
            bool shiftedAtAll = false;
            if (blockedAt(p, 5) && freeAt(p, 4)) {
                b.set(-50);
                if (blockedAt(p, 8) || blockedAt(p, 1) || blockedAt(p, 7)) {
                    shift += 3;
                    shiftedAtAll = true;
                }
            }
            if (blockedAt(p, 7) && freeAt(p, 8)) {
                b.set(-50);
                if (blockedAt(p, 4) || blockedAt(p, 3) || blockedAt(p, 5)) {
                    shift -= 3;
                    shiftedAtAll = true;
                }
            }
            if (isAt(p, 6, 's'))
                b.set(-50);
            if ((isAt(p, 5, 'o') || isAt(p, 4, 'o') || isAt(p, 7, 'o') || isAt(p, 8, 'o')) && freeAt(p, 2) &&
                freeAt(p, 1))
                b.set(-50);
            if ((isAt(p, 8, 'o') || isAt(p, 7, 'o')) && freeAt(p, 3) && freeAt(p, 2))
                b.set(-50);
            if ((isAt(p, 6, 'l') || isAt(p, 5, 'l') || isAt(p, 7, 'l')) && topFree)
                b.set(-150);
            if (isAt(p, 8, 'b') && freeAt(p, 6) && freeAt(p, 5))
                b.add(50);
            if (isAt(p, 4, 'b') && freeAt(p, 7) && freeAt(p, 6))
                b.add(50);
            b.add(10);
            if (r < 0) // every Top of the cell is above the playfield
                b.set(10);
            bool still = true;
            bool up = true;
            bool down = true;
            if (b.known) {
                const double low = double{height_} + r * double{tppY_} + b.value;
                const double high = double{height_} + (r + 1) * double{tppY_} + b.value;
                still = high + kSlack >= scaleHeight_;
                const bool moves = low - kSlack < scaleHeight_;
                up = moves && b.value < 0;
                down = moves && b.value >= 0;
            }
            const auto [first, last] = shifted(c, shift, tppX_, shiftedAtAll);
            for (int to = first; to <= last; ++to) {
                if (still)
                    strides(to, r, &p);
                if (up)
                    step(to, r, kUp);
                if (down)
                    step(to, r, kDown);
            }
        }
    }

    void rest(int c, int r)
    {
        const std::array<Letters, 8> sets = lettersOf(c, r);
        if (anyGreen(sets)) {
            failed_ = true;
            return;
        }
        combinations(sets, [&](const Punktfarbe& p) {
            if (std::find(p.begin(), p.end(), 'r') != p.end())
                restOfTick(p, startColumn_, startRow_, Speed{true, 0}); // back to the start
            else
                restOfTick(p, c, r, Speed{});
        });
    }

    void moving(int c, int r, Kind direction)
    {
        const std::array<Letters, 8> sets = lettersOf(c, r);
        if (anyGreen(sets)) {
            failed_ = true;
            return;
        }
        bool goesOn = false;
        combinations(sets, [&](const Punktfarbe& p) {
            bool stops = false;
            if (direction == kUp) {
                stops = blockedAt(p, 2) || (blockedAt(p, 1) && blockedAt(p, 3));
            } else {
                const bool sidesFree = freeAt(p, 4) && freeAt(p, 3) && freeAt(p, 1) && freeAt(p, 8);
                stops = ((blockedAt(p, 5) || blockedAt(p, 7)) && sidesFree) || blockedAt(p, 6);
            }
            strides(c, r, &p); // stopped here, or out of speed
            goesOn = goesOn || !stops;
        });
        if (goesOn)
            step(c, r, direction);
    }

    const Playfield& field_;
    float tppX_;
    float tppY_;
    float side_;
    float height_;
    float scaleHeight_;
    float pictureWidth_;
    bool usable_ = false;
    bool failed_ = false;
    int cLo_ = 0;
    int rLo_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    int startColumn_ = 0;
    int startRow_ = 0;
    int playerColumn_ = 0;
    int playerRow_ = 0;
    std::vector<std::uint8_t> seen_;
    std::vector<std::uint64_t> work_;
};

} // namespace

std::optional<std::string> proveNoRoute(const LevelSession& session)
{
    if (!session.isOpen())
        return std::nullopt;
    Abstraction abstraction(session);
    if (!abstraction.provesNoRoute())
        return std::nullopt;
    return "no route: the goal cannot be reached even ignoring gravity (the player's square, moved as the "
           "rules allow at any speed, never touches green)";
}

} // namespace hopplix::check
