#include "check/Proof.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <limits>
#include <vector>

namespace hopplix::check {

namespace {

// Places, sizes and the start beyond this many twips are left to the search: below it a float
// Left or Top moved by a stride or a step is off by less than kSlack.
constexpr double kLargestTwips = 1 << 20;
constexpr double kSlack = 0.25;
// What a proof holds for each cell at most: the letters of its probes and whether they are
// known, and the second proof's four speed ranges and its mark of a cell waiting.
constexpr std::int64_t kBytesPerCell = 8 + 1 + 4 * 6 + 1;
// More cells than fit in this many bytes (a playfield beyond a 2560 x 1600 screen) are left to
// the search, which keeps to its own limit: the checker stays within 256 MiB.
constexpr std::int64_t kMaxCells = (std::int64_t{160} << 20) / kBytesPerCell;
// Combinations of letters one cell can show at once; beyond this the proof gives up.
constexpr std::uint64_t kMaxCombinations = 4096;

// A set of class letters, one bit each.
using Letters = std::uint8_t;
constexpr std::array<char, 7> kLetterOrder{'w', 's', 'r', 'o', 'g', 'l', 'b'};

// Every other value reads as 'w'.
constexpr std::array<Letters, 256> kBits = [] {
    std::array<Letters, 256> bits{};
    bits.fill(1);
    for (std::size_t i = 0; i < kLetterOrder.size(); ++i)
        bits[static_cast<unsigned char>(kLetterOrder[i])] = static_cast<Letters>(1u << i);
    return bits;
}();

Letters bitOf(char letter) { return kBits[static_cast<unsigned char>(letter)]; }

// How many letters a set holds (a table: the machine may have no instruction for it).
constexpr std::array<std::uint8_t, 256> kCounts = [] {
    std::array<std::uint8_t, 256> counts{};
    for (std::size_t i = 0; i < counts.size(); ++i)
        counts[i] = static_cast<std::uint8_t>(std::popcount(static_cast<unsigned>(i)));
    return counts;
}();

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

// What both proofs share: cells of one pixel of Left and one of Top, the letters a probe can
// read from a cell, and every combination of them.
class Cells {
public:
    explicit Cells(const LevelSession& session)
        : field_(session.playfield()), tppX_(field_.twipsPerPixelX()), tppY_(field_.twipsPerPixelY()),
          side_(session.player().Width), height_(session.player().Height),
          scaleHeight_(session.layout().client.ScaleHeight), pictureWidth_(session.layout().client.ScaleWidth)
    {
        const PlayerShape& player = session.player();
        const StartPosition& start = session.layout().start;
        const auto sane = [](double v) { return std::isfinite(v) && std::fabs(v) < kLargestTwips; };
        usable_ = tppX_ >= 1.0 && tppY_ >= 1.0 && tppX_ <= 1440.0 && tppY_ <= 1440.0 && side_ > 0 && height_ > 0
                  && sane(side_) && sane(height_) && sane(player.Left) && sane(player.Top) && sane(start.Left)
                  && sane(start.Top) && sane(scaleHeight_) && sane(pictureWidth_) && field_.width() > 0
                  && field_.height() > 0;
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
        startTop_ = start.Top;
        playerTop_ = player.Top;
    }

protected:
    static int cellOf(double twips, double perPixel) { return static_cast<int>(std::floor(twips / perPixel)); }

    bool inside(int c, int r) const { return c >= cLo_ && r >= rLo_ && c < cLo_ + columns_ && r < rLo_ + rows_; }

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
        return {lettersAt(c, r, 0, 0), lettersAt(c, r, w / 2, 0), lettersAt(c, r, w, 0), lettersAt(c, r, w, h / 2),
                lettersAt(c, r, w, h), lettersAt(c, r, w / 2, h), lettersAt(c, r, 0, h), lettersAt(c, r, 0, h / 2)};
    }

    // Calls `each` with every combination of one letter per probe.
    template <typename Each>
    bool combinations(const std::array<Letters, 8>& sets, Each each)
    {
        std::uint64_t count = 1;
        for (const Letters set : sets)
            count *= kCounts[set];
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

    // The letters of cell (c, r), or none when one of them may be green: the goal may be in
    // reach there, and the proof has failed.
    const std::array<Letters, 8>* lettersUnlessGreen(int c, int r)
    {
        const std::array<Letters, 8>& sets = lettersCached(c, r);
        if (anyGreen(sets)) {
            failed_ = true;
            return nullptr;
        }
        return &sets;
    }

    // The cells Left or Top can be in after moving by `delta` twips from cell `cell`; a float
    // sum may round by a little. `moved` false: not moved at all, exactly where it was.
    static std::pair<int, int> shifted(int cell, double delta, double perPixel, bool moved = true)
    {
        if (!moved)
            return {cell, cell};
        return {cellOf(cell * perPixel + delta - kSlack, perPixel),
                cellOf((cell + 1) * perPixel + delta + kSlack, perPixel)};
    }

    static bool freeAt(const Punktfarbe& p, int k) { return p[static_cast<std::size_t>(k - 1)] == 'w'; }
    static bool blockedAt(const Punktfarbe& p, int k) { return !freeAt(p, k); }
    static bool isAt(const Punktfarbe& p, int k, char letter) { return p[static_cast<std::size_t>(k - 1)] == letter; }

    std::size_t indexOf(int c, int r) const
    {
        return static_cast<std::size_t>(r - rLo_) * static_cast<std::size_t>(columns_)
               + static_cast<std::size_t>(c - cLo_);
    }

    // lettersOf, found once per cell (inside the margin).
    const std::array<Letters, 8>& lettersCached(int c, int r)
    {
        if (letters_.empty()) {
            const std::size_t cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
            letters_.assign(cells, {});
            known_.assign(cells, 0);
        }
        if (!inside(c, r)) {
            failed_ = true; // beyond the margin: not covered
            static constexpr std::array<Letters, 8> kNone{};
            return kNone;
        }
        const std::size_t index = indexOf(c, r);
        if (!known_[index]) {
            letters_[index] = lettersOf(c, r);
            known_[index] = 1;
        }
        return letters_[index];
    }

    // Calls `each` with every column a stride with the letters `p` (any letters when null) can
    // take Left to from cell (c, r): none, right, left, or both (back again).
    template <typename Each>
    void forStrides(int c, const Punktfarbe* p, Each each) const
    {
        const bool right = (!p || (freeAt(*p, 4) && freeAt(*p, 3) && freeAt(*p, 5)))
                           && double{side_} + c * double{tppX_} - kSlack < pictureWidth_;
        const bool left = (!p || (freeAt(*p, 8) && freeAt(*p, 1) && freeAt(*p, 7))) && c >= 0;
        const std::array<std::pair<bool, double>, 4> moves{
            {{true, 0.0}, {right, 35.0}, {left, -35.0}, {right && left, 0.0}}};
        for (std::size_t m = 0; m < moves.size(); ++m) {
            if (!moves[m].first)
                continue;
            const auto [first, last] = shifted(c, moves[m].second, tppX_, m != 0);
            for (int to = first; to <= last; ++to)
                each(to);
        }
    }

    // The flag as the rules leave it: known false, known true, or either.
    enum class Leap { No, Yes, Either };

    // The sideways nudge of the step rules.
    struct Nudge {
        double twips = 0;
        bool any = false;
    };

    // Without a wall beside the player the keys change nothing before the movement: one case,
    // else one for each of Left and Right held or not.
    static int keyCases(const Punktfarbe& p) { return blockedAt(p, 8) || blockedAt(p, 4) ? 4 : 1; }

    // The rules of a tick from the head contact to the top edge, after the probes read `p`, in
    // row `r`, with Left (bit 1) and Right (bit 2) as `keys` say. `b` is either proof's speed
    // (set and add), `l` the leap flag. True when a rule set the speed outright.
    template <typename SpeedT>
    static bool surfaceRules(const Punktfarbe& p, int keys, int r, SpeedT& b, Leap& l, Nudge& nudge)
    {
        bool set = false;
        const auto setTo = [&](int v) {
            b.set(v);
            set = true;
        };
        const bool topFree = freeAt(p, 1) && freeAt(p, 2) && freeAt(p, 3);
        if (!topFree) {
            setTo(0);
            l = Leap::No;
        }
        if ((keys & 1) && blockedAt(p, 8) && topFree)
            setTo(-20);
        if ((keys & 2) && blockedAt(p, 4) && topFree)
            setTo(-20);
        if (blockedAt(p, 5) && freeAt(p, 4)) {
            setTo(-50);
            l = Leap::Yes;
            if (blockedAt(p, 8) || blockedAt(p, 1) || blockedAt(p, 7)) {
                nudge.twips += 3;
                nudge.any = true;
            }
        }
        if (blockedAt(p, 7) && freeAt(p, 8)) {
            setTo(-50);
            l = Leap::Yes;
            if (blockedAt(p, 4) || blockedAt(p, 3) || blockedAt(p, 5)) {
                nudge.twips -= 3;
                nudge.any = true;
            }
        }
        if (isAt(p, 6, 's')) {
            setTo(-50);
            l = Leap::Yes;
        }
        if (blockedAt(p, 7) || blockedAt(p, 5))
            l = (!isAt(p, 7, 'b') && !isAt(p, 5, 'b')) ? Leap::Yes : Leap::No;
        if ((isAt(p, 5, 'o') || isAt(p, 4, 'o') || isAt(p, 7, 'o') || isAt(p, 8, 'o')) && freeAt(p, 2) && freeAt(p, 1))
            setTo(-50);
        if ((isAt(p, 8, 'o') || isAt(p, 7, 'o')) && freeAt(p, 3) && freeAt(p, 2))
            setTo(-50);
        if ((isAt(p, 6, 'l') || isAt(p, 5, 'l') || isAt(p, 7, 'l')) && topFree) {
            setTo(-150);
            l = Leap::No;
        }
        if (isAt(p, 8, 'b') && freeAt(p, 6) && freeAt(p, 5)) {
            l = Leap::No;
            b.add(50);
        }
        if (isAt(p, 4, 'b') && freeAt(p, 7) && freeAt(p, 6)) {
            l = Leap::No;
            b.add(50);
        }
        b.add(10);
        if (r < 0) // every Top of the cell is above the playfield
            setTo(10);
        return set;
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
    double startTop_ = 0;
    double playerTop_ = 0;
    std::vector<std::array<Letters, 8>> letters_;
    std::vector<std::uint8_t> known_;
};

// The player's square moved as the rules allow at any speed, ignoring gravity.
class GravityFree : public Cells {
public:
    using Cells::Cells;

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
    void reach(int c, int r, Kind kind)
    {
        if (!inside(c, r)) {
            failed_ = true; // beyond the margin: not covered
            return;
        }
        const std::size_t index = static_cast<std::size_t>(r - rLo_) * static_cast<std::size_t>(columns_)
                                  + static_cast<std::size_t>(c - cLo_);
        if (seen_[index] & kind)
            return;
        seen_[index] |= kind;
        work_.push_back(std::uint64_t{index} << 3 | kind);
    }

    void strides(int c, int r, const Punktfarbe* p)
    {
        forStrides(c, p, [&](int to) { reach(to, r, kRest); });
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
        for (int keys = 0; keys < keyCases(p); ++keys) {
            Speed b = speed;
            Leap leap = Leap::Either;
            Nudge nudge;
            surfaceRules(p, keys, r, b, leap, nudge);
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
            const auto [first, last] = shifted(c, nudge.twips, tppX_, nudge.any);
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
        const std::array<Letters, 8>* sets = lettersUnlessGreen(c, r);
        if (!sets)
            return;
        combinations(*sets, [&](const Punktfarbe& p) {
            if (std::find(p.begin(), p.end(), 'r') != p.end())
                restOfTick(p, startColumn_, startRow_, Speed{true, 0}); // back to the start
            else
                restOfTick(p, c, r, Speed{});
        });
    }

    void moving(int c, int r, Kind direction)
    {
        const std::array<Letters, 8>* sets = lettersUnlessGreen(c, r);
        if (!sets)
            return;
        bool goesOn = false;
        combinations(*sets, [&](const Punktfarbe& p) {
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

    std::vector<std::uint8_t> seen_;
    std::vector<std::uint64_t> work_;
};

// The same cells with the vertical speed kept as a range, so that a jump has a height and a
// flight an end. What the tick allows, rule by rule:
// - before the movement the rules only set the speed (to 0, -20, -50, -150 or 10) or add to it
//   (50 for each blue wall, 10 for gravity); after it only a leap sets it (to -110) and a glide
//   takes 7 from it. So no movement is faster upwards than -150 + 10 = -140, the launch pad's,
//   which rises at most 71 steps of 2 twips; the next lowest a tick starts with is -147 (a
//   glide after the launch pad);
// - a tick that sets nothing adds at least 3 (gravity 10 less a glide's 7), so without a rule
//   that holds it a flight rises less each tick and comes down, and a fall gets faster;
// - and it adds at most 10 plus 50 for each blue wall touched, so a player that was slow a
//   moment ago is not stopped by the client's bottom edge in mid-air (the reach test);
// - a leap needs the leap flag, which only the footing, step and ground rules raise; it is
//   kept as known false or unknown.
// A state is a cell and the flag with the range of the speed at the start of a tick and how
// deep Top lies in the cell at least. The states that reach one cell are widened to one that
// holds them all: the lowest speed, the shallowest depth, and, when the highest speeds differ,
// no highest speed at all. That is sound, and it ends: a cell widens a few times at most.
// What it cannot prove: a gap too wide to leap across (JumpReach below does). Once cells are
// widened a player may stop at the bottom edge anywhere and hover, which only a range per tick
// of flight would rule out.
class Flight : public Cells {
public:
    using Cells::Cells;

    bool provesNoRoute(const PlayState& state)
    {
        // A 2-twip step must not skip a cell: each cell the movement passes is probed.
        if (!usable_ || tppY_ < 2.0f || !inside(startColumn_, startRow_))
            return false;
        const std::size_t cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
        labels_.assign(cells * 4, Range{});
        queued_.assign(cells, 0);
        const int first = std::clamp<int>(state.beschleunigung, kLowest, kFastest);
        push(playerColumn_, playerRow_, kAtRest, state.stehend != kFalse,
             Range::of(first, state.beschleunigung > kFastest ? kUnbounded : first, depthOf(playerTop_, playerRow_)));
        while (!work_.empty() && !failed_) {
            const std::uint64_t item = work_.front();
            work_.pop_front();
            const auto slot = static_cast<unsigned>(item & 3u);
            const auto index = static_cast<std::size_t>(item >> 2);
            queued_[index] &= static_cast<std::uint8_t>(~(1u << slot));
            const int c = static_cast<int>(index % static_cast<std::size_t>(columns_)) + cLo_;
            const int r = static_cast<int>(index / static_cast<std::size_t>(columns_)) + rLo_;
            const Range speed = labels_[index * 4 + slot];
            const bool flag = (slot & 1u) != 0;
            if ((slot & 2u) == 0)
                atRest(c, r, flag, speed);
            else
                falling(c, r, flag, speed);
        }
        return !failed_;
    }

private:
    static constexpr int kLowest = -150;
    static constexpr int kUnbounded = 32767; // as high as the 16-bit speed goes
    // Lower bounds above this are lowered to it: more than any picture needs to tell falls apart.
    static constexpr int kFastest = 4000;
    enum Slot : unsigned { kAtRest = 0, kFalling = 2 };
    // Whether the next tick from the slot may start a leap.
    enum Flag : bool { kNoLeap = false, kMayLeap = true };

    // The speed's range, and how deep at least Top lies in its cell, in whole twips: a fall
    // slower than a cell a tick still crosses it in a few ticks. Kept in 16 bits: a cell holds
    // four of them.
    struct Range {
        std::int16_t lo = kUnbounded;
        std::int16_t hi = kLowest - 1; // empty
        std::int16_t depth = 0;
        static Range of(int low, int high, int depth)
        {
            return {static_cast<std::int16_t>(low), static_cast<std::int16_t>(high), static_cast<std::int16_t>(depth)};
        }
        bool empty() const { return lo > hi; }
        bool holds(const Range& o) const { return lo <= o.lo && hi >= o.hi && depth <= o.depth; }
        void set(int v) { *this = of(v, v, depth); }
        void add(int d)
        {
            *this = of(std::min(lo + d, kFastest), hi >= kUnbounded ? kUnbounded : std::min(hi + d, kUnbounded), depth);
        }
        Range deep(int d) const { return of(lo, hi, d); }
    };
    static_assert(sizeof(Range) * 4 + 1 + 8 + 1 == kBytesPerCell);

    void push(int c, int r, Slot kind, bool flag, Range speed)
    {
        if (!inside(c, r)) {
            failed_ = true; // beyond the margin: not covered
            return;
        }
        const std::size_t index = indexOf(c, r);
        Range& maybe = labels_[index * 4 + kind + 1];
        if (!maybe.empty() && maybe.holds(speed))
            return;
        const unsigned slot = kind + (flag ? 1u : 0u);
        Range& label = labels_[index * 4 + slot];
        if (!label.empty() && label.holds(speed))
            return;
        // A range that must widen widens by coarse steps, so that a cell is looked at a few
        // times, not once for every speed that reaches it.
        if (label.empty()) {
            label = speed;
        } else {
            const int lo = std::min(label.lo, speed.lo);
            const int hi = std::max(label.hi, speed.hi);
            label = Range::of(lo, hi > label.hi ? kUnbounded : hi, std::min(label.depth, speed.depth));
        }
        if (!(queued_[index] & (1u << slot))) {
            queued_[index] |= static_cast<std::uint8_t>(1u << slot);
            work_.push_back(std::uint64_t{index} << 2 | slot);
        }
    }

    // The end of a tick at cell (c, r) with the letters `p` of the last probe: strides, then a
    // glide or a leap, or neither.
    void endTick(int c, int r, const Punktfarbe& p, Range speed, Leap leap)
    {
        forStrides(c, &p, [&](int to) {
            push(to, r, kAtRest, leap != Leap::No, speed);
            if (leap != Leap::Yes) {
                Range glide = speed;
                glide.add(-7);
                push(to, r, kAtRest, kNoLeap, glide);
            }
            if (leap != Leap::No) {
                Range up = speed;
                up.set(-110);
                push(to, r, kAtRest, kNoLeap, up);
            }
        });
    }

    static bool stopsUp(const Punktfarbe& p) { return blockedAt(p, 2) || (blockedAt(p, 1) && blockedAt(p, 3)); }
    static bool stopsDown(const Punktfarbe& p)
    {
        const bool sidesFree = freeAt(p, 4) && freeAt(p, 3) && freeAt(p, 1) && freeAt(p, 8);
        return ((blockedAt(p, 5) || blockedAt(p, 7)) && sidesFree) || blockedAt(p, 6);
    }

    // A fall keeps the player's bottom above the client's (the reach test) and ends at most 2
    // twips further than its speed.
    bool belowFalls(int r) const { return r * double{tppY_} >= double{scaleHeight_} - height_ + 2.0 + kSlack; }

    // A movement upwards with the speed `speed` (all below 0) from cell (c, r): it may end on
    // any cell it passes within its steps, and one that leaves the top edge ends unprobed just
    // above it with the letters of the step before: on its first step, those of the tick, `first`.
    void moveUp(int c, int r, Range speed, const Punktfarbe& first, Leap leap)
    {
        const int steps = -speed.lo / 2 + 1;
        const int highest = cellOf(r * double{tppY_} - 2.0 * steps - kSlack, tppY_);
        for (int row = r; row >= std::max(highest, 0) && !failed_; --row) {
            const std::array<Letters, 8>* sets = lettersUnlessGreen(c, row);
            if (!sets)
                return;
            bool goesOn = false;
            const bool leaves = row == 0 && highest < 0;
            combinations(*sets, [&](const Punktfarbe& p) {
                endTick(c, row, p, speed, leap);
                if (!stopsUp(p)) {
                    goesOn = true;
                    if (leaves)
                        endAbove(c, p, speed, leap);
                }
            });
            if (leaves && row == r)
                endAbove(c, first, speed, leap);
            // The place the movement starts from is not probed: its first step may be on the
            // next row already.
            if (!goesOn && row != r)
                return;
        }
    }

    // How deep `top` lies in cell `row`, in whole twips (0 when above it).
    int depthOf(double top, int row) const
    {
        return static_cast<int>(std::clamp(std::floor(top - row * double{tppY_}), 0.0, double{tppY_} - 1.0));
    }

    void endAbove(int c, const Punktfarbe& p, Range speed, Leap leap)
    {
        for (int above = cellOf(-2.0 - kSlack, tppY_); above <= -1; ++above)
            endTick(c, above, p, speed, leap);
    }

    // A movement downwards with the speed `speed` (all 0 or more) from cell (c, r): before its
    // fewest steps are taken only a contact ends it; from there on it falls on as `falling`.
    void moveDown(int c, int r, Range speed, Leap leap)
    {
        const int steps = speed.lo / 2 + 1;
        const double soonestTop = r * double{tppY_} + speed.depth + 2.0 * steps - kSlack;
        const int soonest = cellOf(soonestTop, tppY_);
        for (int row = r; !belowFalls(row) && !failed_; ++row) {
            if (row >= soonest) {
                push(c, row, kFalling, leap != Leap::No, speed.deep(depthOf(soonestTop, row)));
                // The place the movement starts from is not probed: its first step may be on
                // the next row already.
                if (row == r && !belowFalls(r + 1))
                    push(c, r + 1, kFalling, leap != Leap::No, speed.deep(0));
                return;
            }
            const std::array<Letters, 8>* sets = lettersUnlessGreen(c, row);
            if (!sets)
                return;
            bool goesOn = false;
            combinations(*sets, [&](const Punktfarbe& p) {
                if (stopsDown(p))
                    endTick(c, row, p, row == r ? speed : speed.deep(0), leap);
                else
                    goesOn = true;
            });
            if (!goesOn && row != r)
                return;
        }
    }

    // A fall past its fewest steps: it may end on this cell, by contact or out of speed.
    void falling(int c, int r, bool flag, Range speed)
    {
        const std::array<Letters, 8>* sets = lettersUnlessGreen(c, r);
        if (!sets)
            return;
        bool goesOn = false;
        combinations(*sets, [&](const Punktfarbe& p) {
            endTick(c, r, p, speed, flag ? Leap::Either : Leap::No);
            goesOn = goesOn || !stopsDown(p);
        });
        if (goesOn && !belowFalls(r + 1))
            push(c, r + 1, kFalling, flag, speed.deep(0));
    }

    void atRest(int c, int r, bool flag, Range speed)
    {
        const std::array<Letters, 8>* sets = lettersUnlessGreen(c, r);
        if (!sets)
            return;
        const Leap leap = flag ? Leap::Either : Leap::No;
        combinations(*sets, [&](const Punktfarbe& p) {
            if (std::find(p.begin(), p.end(), 'r') != p.end()) {
                // Back to the start, at rest.
                rules(p, startColumn_, startRow_, Range::of(0, 0, depthOf(startTop_, startRow_)), leap);
            } else {
                rules(p, c, r, speed, leap);
            }
        });
    }

    // The rules of a tick after the probes read `p`, from cell (c, r), then the movement.
    void rules(const Punktfarbe& p, int c, int r, Range speed, Leap leap)
    {
        for (int keys = 0; keys < keyCases(p); ++keys) {
            Range b = speed;
            Leap l = leap;
            Nudge nudge;
            surfaceRules(p, keys, r, b, l, nudge);
            // The reach test: no movement, and the speed 0, when the movement would reach the
            // client's bottom; a movement only when it would not.
            const double bottomLow = double{height_} + r * double{tppY_};
            const double bottomHigh = double{height_} + (r + 1) * double{tppY_};
            const bool still = bottomHigh + b.hi + kSlack >= scaleHeight_;
            const bool moves = bottomLow + b.lo - kSlack < scaleHeight_;
            const auto [first, last] = shifted(c, nudge.twips, tppX_, nudge.any);
            for (int to = first; to <= last && !failed_; ++to) {
                if (still) {
                    Range none = b;
                    none.set(0);
                    endTick(to, r, p, none, l);
                }
                if (moves && b.lo < 0)
                    moveUp(to, r, Range::of(b.lo, std::min<int>(b.hi, -1), 0), p, l);
                if (moves && b.hi >= 0)
                    moveDown(to, r, Range::of(std::max<int>(b.lo, 0), b.hi, b.depth), l);
            }
        }
    }

    std::vector<Range> labels_; // per cell: at rest, flag down / maybe; falling, down / maybe
    std::vector<std::uint8_t> queued_;
    std::deque<std::uint64_t> work_;
};

// Every flight through free air, bounded as a whole. Between two places where a probe may
// touch something (a "hold": a cell whose letters are not all white) the player only falls,
// glides, leaps once and meets the edges, so how far it gets sideways is a matter of how long it
// stays up, and that has an end. What each step rests on:
// - a tick starts with a speed of -150 or more: the rules set nothing lower, and gravity then a
//   glide add 3. A flight from a hold may start with any such speed and either flag; a faster
//   fall is only ever lower than the same flight started at 0;
// - in free air the speed gains 10 (gravity) or 3 (gravity and a glide, flag down) a tick. It is
//   set only by a leap (-110, flag up, once: nothing in free air raises the flag again), by the
//   top edge (10, only above the playfield: at most once before and once after the leap, and
//   only for flights that start within a jump of it), and by the bottom edge (0, without moving
//   that tick);
// - the bottom edge stops a speed no smaller than the way left to the client's bottom. A flight
//   that started at rest gathers no more than falling the client's height gives, so its stops
//   lie near the bottom; a flight from a hold stops high only in its first ticks: n - 1 ticks at
//   a speed b > 10 (n - 1) cover (n - 1) (b - 5 n) twips or more, within the client's height;
// - red kills at the start of a tick (back to the start, itself a hold). Within a movement it
//   only stops it: a fall stopped keeps falling from there like a flight stopped at the bottom
//   edge; a rise stopped keeps its speed, which only a hold's flight covers. Where every probe
//   must read red and no stride leads away, nothing goes on.
// So the cells a flight can reach are those its highest possible path at tick n allows, within
// n strides to either side: walls do not shorten it (they are holds, where new flights start).
// From every hold and stop reached, until none turns up: green never in reach means no route.
class JumpReach : public Cells {
public:
    using Cells::Cells;

    bool provesNoRoute(const PlayState& state)
    {
        if (!usable_ || !inside(startColumn_, startRow_) || !inside(playerColumn_, playerRow_)
            || state.beschleunigung < -150)
            return false;
        descent_ = double{scaleHeight_} - height_ + 4.0;
        if (!(descent_ > 0) || descent_ > 100000.0)
            return false;
        // Without a launch pad the leap's -110 is the lowest speed set (or the one the level
        // starts with).
        lowest_ = std::min<int>(-110, state.beschleunigung);
        for (int y = 1; y <= field_.height() && lowest_ > -150; ++y)
            for (int x = 1; x <= field_.width(); ++x)
                if (field_.classAtIndex(x, y) == 'l') {
                    lowest_ = -150;
                    break;
                }
        tables();
        if (failed_)
            return false;
        const std::size_t cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
        sourceMarks_.assign(cells, 0);
        for (auto& next : nextFree_) {
            next.resize(cells + static_cast<std::size_t>(rows_));
            for (std::size_t i = 0; i < next.size(); ++i)
                next[i] = static_cast<std::int32_t>(i % static_cast<std::size_t>(columns_ + 1));
        }
        for (auto& rows : pending_)
            rows.assign(static_cast<std::size_t>(rows_), {});
        for (const auto& [c, r] : {std::pair{startColumn_, startRow_}, std::pair{playerColumn_, playerRow_}}) {
            if (lettersUnlessGreen(c, r))
                addSource(c, r, kFromHold);
        }
        while (!failed_ && waiting_ > 0)
            wave();
        return !failed_;
    }

private:
    // Where flights start: at a hold; at a stop that may keep the flag up; at one that cannot.
    enum Source : unsigned { kFromHold, kFromStop, kFromStopFlagDown, kSources };
    // What is marked on the cells flights pass: reached with the flag maybe up or surely down,
    // and stopped there (by the bottom edge) likewise.
    enum Layer : unsigned { kBeen, kBeenFlagDown, kStop, kStopFlagDown, kLayers };
    // The flights: from a hold, every choice and never leaping (the flag stays up); from a stop
    // likewise; from a stop with the flag down.
    enum Path : unsigned { kHoldPath, kHoldKeepPath, kStopPath, kKeepPath, kDownPath, kPaths };

    // The highest Top (twips below the flight's start, so less is higher) at the end of each
    // tick of a flight that stays within the client.
    struct Profile {
        std::vector<double> highest;
        // By rows below the start (+ rows_): the first and last tick the flight may be there, and
        // the fastest it may fall there or above.
        std::vector<int> first, last, fastest;
    };

    // A profile's index of the row dy below the flight's start (-rows_ .. rows_).
    std::size_t byRow(int dy) const { return static_cast<std::size_t>(dy) + static_cast<std::size_t>(rows_); }

    Profile profile(Path path, bool topEdge) const
    {
        const int top = static_cast<int>(std::sqrt(20.0 * descent_)) + 400;
        const auto slot = [top](int speed, bool flag, int edges) {
            return (static_cast<std::size_t>(std::clamp(speed, -150, top) + 150) * 2 + (flag ? 1 : 0)) * 3
                   + static_cast<std::size_t>(edges);
        };
        constexpr double kNone = std::numeric_limits<double>::infinity();
        std::vector<double> now(slot(top, true, 2) + 1, kNone);
        Profile flight;
        flight.fastest.assign(byRow(rows_) + 1, 0);
        const auto fastAt = [&](double at, int b) {
            const int dy = std::max(-rows_, static_cast<int>(std::ceil((at - kSlack) / tppY_)) - 1);
            if (dy <= rows_) {
                int& fastest = flight.fastest[byRow(dy)];
                fastest = std::max(fastest, b);
            }
        };
        flight.highest.push_back(0.0);
        const bool keeps = path == kHoldKeepPath || path == kKeepPath;
        if (path == kHoldPath || path == kHoldKeepPath) {
            for (int s = lowest_; s <= 0; ++s) {
                now[slot(s, true, 0)] = 0.0;
                if (!keeps)
                    now[slot(s, false, 0)] = 0.0;
            }
        } else {
            // The stop's own tick: no movement, then the stride and the glide or the leap.
            if (path == kStopPath || path == kKeepPath)
                now[slot(0, true, 0)] = 0.0;
            if (path != kKeepPath)
                now[slot(0, false, 0)] = now[slot(-7, false, 0)] = 0.0;
            if (path == kStopPath)
                now[slot(-110, false, 0)] = 0.0;
            flight.highest.push_back(0.0);
        }
        for (bool any = true; any;) {
            any = false;
            std::vector<double> next(now.size(), kNone);
            double highest = kNone;
            for (int s = -150; s <= top; ++s) {
                for (int f = 0; f < 2; ++f) {
                    for (int e = 0; e < 3; ++e) {
                        const double at = now[slot(s, f != 0, e)];
                        if (at == kNone)
                            continue;
                        for (int edge = 0; edge < (topEdge && e < 2 ? 2 : 1); ++edge) {
                            const int b = edge ? 10 : s + 10;
                            const int steps = std::abs(b) / 2 + 1;
                            const double moved = 2.0 * steps;
                            const double to = b < 0 ? at - moved : at + moved;
                            if (to > descent_)
                                continue;
                            fastAt(at, b);
                            const auto keep = [&](int speed, bool flag) {
                                double& cell = next[slot(speed, flag, e + edge)];
                                cell = std::min(cell, to);
                                highest = std::min(highest, to);
                                any = true;
                            };
                            keep(b, f != 0);
                            if (f == 0)
                                keep(b - 7, false);
                            else if (!keeps)
                                keep(-110, false);
                        }
                    }
                }
            }
            if (any)
                flight.highest.push_back(highest);
            now = std::move(next);
        }
        flight.first.assign(byRow(rows_) + 1, -1);
        flight.last.assign(flight.first.size(), -1);
        for (std::size_t dy = 1; dy < flight.fastest.size(); ++dy)
            flight.fastest[dy] = std::max(flight.fastest[dy], flight.fastest[dy - 1]);
        // Until it first moves the player is exactly where it started, in the same cell.
        const int still = path == kHoldPath || path == kHoldKeepPath ? 1 : 2;
        for (int dy = -rows_; dy <= rows_; ++dy) {
            for (int n = 0; n < static_cast<int>(flight.highest.size()); ++n) {
                const double bottom = (dy + 1) * double{tppY_} + (n < still ? 0.0 : kSlack);
                if (flight.highest[static_cast<std::size_t>(n)] < bottom) {
                    int& first = flight.first[byRow(dy)];
                    first = first < 0 ? n : first;
                    flight.last[byRow(dy)] = n;
                }
            }
        }
        return flight;
    }

    // Columns to either side that n ticks of strides reach, counting the start's and the
    // target's place in their cells and the nudges of a hold's first tick.
    int columnsIn(int ticks) const
    {
        return ticks < 0 ? -1 : static_cast<int>(std::floor((35.0 * ticks + 6.0 + kSlack) / tppX_)) + 1;
    }

    void tables()
    {
        double rise = 0;
        for (int edges = 0; edges < 2; ++edges) {
            for (unsigned path = 0; path < kPaths; ++path) {
                Profile& flight = profiles_[edges][path];
                flight = profile(static_cast<Path>(path), edges != 0);
                rise = std::max(rise, -*std::min_element(flight.highest.begin(), flight.highest.end()));
            }
        }
        // Flights from lower rows never meet the top edge.
        edgeRows_ = cellOf(rise + 2.0 + kSlack, tppY_) + 1;
        // Where the player can be: from just above the top edge to the bottom edge, and from a
        // stride left of the left edge to a stride beyond the right one.
        rowFirst_ = cellOf(-2.0 - kSlack, tppY_);
        rowLast_ = cellOf(double{scaleHeight_} - height_ + 2.0 + kSlack, tppY_);
        columnFirst_ = cellOf(-35.0 - kSlack, tppX_);
        columnLast_ = cellOf(double{pictureWidth_} - side_ + 35.0 + kSlack, tppX_);
        if (!inside(columnFirst_, rowFirst_) || !inside(columnLast_, rowLast_))
            failed_ = true; // beyond the margin: not covered
    }

    void addSource(int c, int r, Source kind)
    {
        std::uint8_t& marks = sourceMarks_[indexOf(c, r)];
        if (marks & (1u << kind))
            return;
        marks |= static_cast<std::uint8_t>(1u << kind);
        pending_[kind][static_cast<std::size_t>(r - rLo_)].push_back(c);
        ++waiting_;
    }

    // The player may be in cell (c, r): the goal must be out of reach there, and what the
    // probes may touch there starts flights of its own.
    void reached(int c, int r, Layer layer)
    {
        const std::array<Letters, 8>* sets = lettersUnlessGreen(c, r);
        if (!sets)
            return;
        const bool flagDown = layer == kBeenFlagDown || layer == kStopFlagDown;
        const Source stop = flagDown ? kFromStopFlagDown : kFromStop;
        // The bottom edge stops a tick that started here: red would have ended it first.
        if (layer == kStop || layer == kStopFlagDown) {
            if (mayLive(*sets))
                addSource(c, r, stop);
            return;
        }
        const auto may = [&](int k, Letters letters) {
            return ((*sets)[static_cast<std::size_t>(k - 1)] & letters) != 0;
        };
        const Letters white = bitOf('w');
        const Letters red = bitOf('r');
        const auto blocked = static_cast<Letters>(~white);
        const auto other = static_cast<Letters>(~(white | red));
        // Where every probe may be white, the tick may start here; elsewhere only a stride
        // away from a stop leads on, and it needs that side free.
        const bool lives = mayLive(*sets);
        const bool right = may(4, white) && may(3, white) && may(5, white)
                           && double{side_} + c * double{tppX_} - kSlack < pictureWidth_;
        const bool left = may(8, white) && may(1, white) && may(7, white) && c >= 0;
        const int stride = columnsIn(1);
        const bool away = (right && livesBeside(c + 1, c + stride, r)) || (left && livesBeside(c - stride, c - 1, r));
        if (!lives && !away)
            return;
        bool hold = false;
        for (int k = 1; k <= 8; ++k)
            hold = hold || may(k, other);
        // A rise keeps to its column (a nudge aside), so one stopped where the player cannot
        // live started a little below, where it could.
        const bool riseStops = (may(2, blocked) || (may(1, blocked) && may(3, blocked))) && (lives || livesBelow(c, r));
        const bool fallStops = may(5, blocked) || may(6, blocked) || may(7, blocked);
        if ((lives && hold) || riseStops)
            addSource(c, r, kFromHold);
        else if (fallStops)
            addSource(c, r, stop);
    }

    static bool mayLive(const std::array<Letters, 8>& sets)
    {
        return std::none_of(sets.begin(), sets.end(), [](Letters s) { return s == bitOf('r'); });
    }

    // Whether a tick may start in one of the cells lo..hi of row r.
    bool livesBeside(int lo, int hi, int r)
    {
        for (int x = lo; x <= hi; ++x)
            if (inside(x, r) && mayLive(lettersCached(x, r)))
                return true;
        return false;
    }

    // Whether a tick may start in reach of a rise to cell (c, r): within the nudges to either
    // side and the 142 twips below that the fastest rise covers.
    bool livesBelow(int c, int r)
    {
        const int rows = static_cast<int>(std::ceil(142.0 / tppY_)) + 1;
        const int nudges = columnsIn(0);
        for (int y = r; y <= r + rows; ++y)
            for (int x = c - nudges; x <= c + nudges; ++x)
                if (inside(x, y) && mayLive(lettersCached(x, y)))
                    return true;
        return false;
    }

    // Marks cells lo..hi of row r (within where the player can be) on `layer`.
    void cover(int r, int lo, int hi, Layer layer)
    {
        lo = std::max(lo, columnFirst_);
        hi = std::min(hi, columnLast_);
        std::vector<std::int32_t>& next = nextFree_[layer];
        const std::size_t base = static_cast<std::size_t>(r - rLo_) * static_cast<std::size_t>(columns_ + 1);
        const auto find = [&](std::int32_t x) {
            std::int32_t root = x;
            while (next[base + static_cast<std::size_t>(root)] != root)
                root = next[base + static_cast<std::size_t>(root)];
            while (next[base + static_cast<std::size_t>(x)] != root) {
                const std::int32_t up = next[base + static_cast<std::size_t>(x)];
                next[base + static_cast<std::size_t>(x)] = root;
                x = up;
            }
            return root;
        };
        for (std::int32_t x = find(lo - cLo_); x <= hi - cLo_ && !failed_; x = find(x)) {
            next[base + static_cast<std::size_t>(x)] = x + 1;
            reached(x + cLo_, r, layer);
        }
    }

    void wave()
    {
        std::array<std::vector<std::vector<int>>, kSources> sources;
        for (unsigned k = 0; k < kSources; ++k) {
            sources[k].swap(pending_[k]);
            pending_[k].assign(static_cast<std::size_t>(rows_), {});
        }
        waiting_ = 0;
        for (unsigned k = 0; k < kSources && !failed_; ++k) {
            for (int rs = 0; rs < rows_ && !failed_; ++rs) {
                std::vector<int>& columns = sources[k][static_cast<std::size_t>(rs)];
                std::sort(columns.begin(), columns.end());
                for (std::size_t i = 0; i < columns.size() && !failed_;) {
                    std::size_t j = i;
                    while (j + 1 < columns.size() && columns[j + 1] <= columns[j] + 1)
                        ++j;
                    const int row = rs + rLo_;
                    // The flights that keep the flag up leave it maybe up where they stop or
                    // touch red; all others leave it down.
                    if (k == kFromHold) {
                        spread(row, columns[i], columns[j], kHoldKeepPath, kBeen, kStop);
                        spread(row, columns[i], columns[j], kHoldPath, kBeenFlagDown, kStopFlagDown);
                    } else if (k == kFromStop) {
                        spread(row, columns[i], columns[j], kKeepPath, kBeen, kStop);
                        spread(row, columns[i], columns[j], kStopPath, kBeenFlagDown, kStopFlagDown);
                    } else {
                        spread(row, columns[i], columns[j], kDownPath, kBeenFlagDown, kStopFlagDown);
                    }
                    i = j + 1;
                }
            }
        }
    }

    // The latest tick at which a flight may stop at the bottom edge in row r, dy rows below its
    // start, when it falls there no faster than `fastest` from rest: any tick when that is fast
    // enough; else, from a hold only (it may have come fast), the ticks its fall allows.
    int latestStop(int r, int dy, int fastest, bool fromHold) const
    {
        const double above = double{scaleHeight_} - height_ - (r + 1) * double{tppY_} - kSlack;
        const double fallen = (dy + 1) * double{tppY_} + kSlack;
        if (above <= fastest + kSlack || (dy >= 0 && above <= std::sqrt(20.0 * fallen) + 10.0 + kSlack))
            return kAnyTick;
        if (!fromHold || dy < 0)
            return 0;
        int latest = dy == 0 ? 1 : 0;
        for (int n = 2; n < kAnyTick / 2; ++n) {
            const double fast = fallen / (n - 1) + 5.0 * n + 10.0 + kSlack;
            if (fast <= 10.0 * (n - 1) || fast < above)
                break;
            latest = n;
        }
        return latest;
    }

    // The cells flights along `path` from columns a..b of row rs reach, and where they may stop.
    void spread(int rs, int a, int b, Path path, Layer been, Layer stopped)
    {
        const Profile& flight = profiles_[rs <= edgeRows_ ? 1 : 0][path];
        for (int r = rowFirst_; r <= rowLast_ && !failed_; ++r) {
            const std::size_t dy = byRow(r - rs);
            if (flight.last[dy] < 0)
                continue;
            const int w = columnsIn(flight.last[dy]);
            cover(r, a - w, b + w, been);
            const int latest = latestStop(r, r - rs, flight.fastest[dy], path == kHoldPath || path == kHoldKeepPath);
            if (latest < 1 || flight.first[dy] > latest - 1)
                continue;
            const int z = columnsIn(std::min(flight.last[dy], latest - 1));
            cover(r, a - z, b + z, stopped);
        }
    }

    static constexpr int kAnyTick = std::numeric_limits<int>::max();
    double descent_ = 0;
    // By whether the flight may meet the top edge, then by path.
    std::array<std::array<Profile, kPaths>, 2> profiles_;
    int edgeRows_ = 0;
    int lowest_ = -150; // the lowest speed a tick may start with
    int rowFirst_ = 0, rowLast_ = -1, columnFirst_ = 0, columnLast_ = -1;
    std::vector<std::uint8_t> sourceMarks_;
    std::array<std::vector<std::int32_t>, kLayers> nextFree_;
    std::array<std::vector<std::vector<int>>, kSources> pending_;
    std::size_t waiting_ = 0;
};

} // namespace

std::optional<std::string> proveNoRoute(const LevelSession& session, const PlayState& state)
{
    if (!session.isOpen())
        return std::nullopt;
    if (GravityFree(session).provesNoRoute())
        return "no route: the goal cannot be reached even ignoring gravity (the player's square, moved as the "
               "rules allow at any speed, never touches green)";
    // The bounded flights first: they take a fraction of a second where the speeds kept per
    // cell may take many.
    if (JumpReach(session).provesNoRoute(state))
        return "no route: the goal lies beyond every jump (the longest flight the rules allow, from every place "
               "the player can touch something, never reaches green)";
    if (Flight(session).provesNoRoute(state))
        return "no route: no jump, climb or launch reaches the goal (the player's square, moved with every "
               "speed the rules can give it, never touches green)";
    return std::nullopt;
}

} // namespace hopplix::check
