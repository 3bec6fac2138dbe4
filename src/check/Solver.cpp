#include "check/Solver.h"

#include "check/Proof.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

namespace hopplix::check {

namespace {

constexpr std::uint32_t kUnreached = std::numeric_limits<std::uint32_t>::max();
// The distance map has at most this many cells; larger playfields are mapped in coarser cells.
constexpr std::int64_t kMaxMapCells = std::int64_t{1} << 21;
// Each tick spent adds this many twips of distance to a state's priority: enough to prefer the
// shorter of two ways that end alike, little enough to keep heading for the goal.
constexpr std::uint64_t kTwipsPerTick = 16;

// How far the player's top-left corner is from touching green, moving around everything that
// blocks: a map of the playfield in cells, built once per search. Gravity and leaping are left
// out; the search itself finds out what the player can do.
class DistanceMap {
public:
    DistanceMap(const Playfield& field, float side)
        : twipsPerPixelX_(field.twipsPerPixelX()), twipsPerPixelY_(field.twipsPerPixelY())
    {
        const int pw = field.width();
        const int ph = field.height();
        if (pw <= 0 || ph <= 0)
            return;
        // A large playfield is mapped in blocks of cell_ x cell_ pixels; a block blocks when any
        // of its pixels does (every colour but white and green), and is green when any is.
        cell_ = 1;
        while (std::int64_t{(pw + cell_ - 1) / cell_} * ((ph + cell_ - 1) / cell_) > kMaxMapCells)
            ++cell_;
        const int w = (pw + cell_ - 1) / cell_;
        const int h = (ph + cell_ - 1) / cell_;
        const auto stride = static_cast<std::size_t>(w) + 1;
        std::vector<std::int32_t> blocking(stride * (static_cast<std::size_t>(h) + 1), 0);
        std::vector<std::int32_t> green(blocking.size(), 0);
        for (int y = 0; y < ph; ++y) {
            for (int x = 0; x < pw; ++x) {
                const char letter = field.classAtIndex(x + 1, y + 1);
                const std::size_t at =
                    (static_cast<std::size_t>(y / cell_) + 1) * stride + static_cast<std::size_t>(x / cell_) + 1;
                blocking[at] |= letter != 'w' && letter != 'g';
                green[at] |= letter == 'g';
            }
        }
        // Sums over rectangles of blocks.
        for (auto* sums : {&blocking, &green})
            for (std::size_t y = 1; y <= static_cast<std::size_t>(h); ++y)
                for (std::size_t x = 1; x < stride; ++x)
                    (*sums)[y * stride + x] +=
                        (*sums)[(y - 1) * stride + x] + (*sums)[y * stride + x - 1] - (*sums)[(y - 1) * stride + x - 1];
        auto count = [&](const std::vector<std::int32_t>& sums, int x0, int y0, int x1, int y1) {
            x0 = std::clamp(x0, 0, w);
            x1 = std::clamp(x1, 0, w);
            y0 = std::clamp(y0, 0, h);
            y1 = std::clamp(y1, 0, h);
            if (x0 >= x1 || y0 >= y1)
                return 0;
            const auto sum = [&](int x, int y) {
                return sums[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)];
            };
            return sum(x1, y1) - sum(x0, y1) - sum(x1, y0) + sum(x0, y0);
        };

        // The player's square in blocks. The map holds the places of its top-left corner where
        // the square lies inside the picture: outside there is nothing to go around. The square
        // may touch what blocks, so its rim is left out.
        const double blockX = double{twipsPerPixelX_} * cell_;
        const double blockY = double{twipsPerPixelY_} * cell_;
        const double sideX = std::isfinite(side) ? std::max(1.0, std::round(double{side} / blockX)) : 1.0;
        const double sideY = std::isfinite(side) ? std::max(1.0, std::round(double{side} / blockY)) : 1.0;
        const int sx = static_cast<int>(std::min<double>(sideX, w));
        const int sy = static_cast<int>(std::min<double>(sideY, h));
        columns_ = w - sx + 1;
        rows_ = h - sy + 1;
        const int rimX = std::min(1, (sx - 1) / 2);
        const int rimY = std::min(1, (sy - 1) / 2);

        const auto cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
        std::vector<bool> open(cells);
        distance_.assign(cells, kUnreached);
        // Cells by distance: steps cost 3 or 4, so five buckets taken round hold every distance
        // still to come.
        std::array<std::vector<std::uint32_t>, 5> buckets;
        std::size_t waiting = 0;
        for (int r = 0; r < rows_; ++r) {
            for (int c = 0; c < columns_; ++c) {
                const std::size_t i = at(r, c);
                open[i] = count(blocking, c + rimX, r + rimY, c + sx - rimX, r + sy - rimY) == 0;
                if (count(green, c - 1, r - 1, c + sx + 1, r + sy + 1) > 0) {
                    distance_[i] = 0;
                    buckets[0].push_back(static_cast<std::uint32_t>(i));
                    ++waiting;
                }
            }
        }
        // Steps of 3 along an axis and 4 across, close to the true distance.
        for (std::uint32_t d = 0; waiting > 0; ++d) {
            std::vector<std::uint32_t>& bucket = buckets[d % buckets.size()];
            while (!bucket.empty()) {
                const std::uint32_t i = bucket.back();
                bucket.pop_back();
                --waiting;
                if (d != distance_[i])
                    continue; // reached again by a shorter way
                const int r = static_cast<int>(i / static_cast<std::uint32_t>(columns_));
                const int c = static_cast<int>(i % static_cast<std::uint32_t>(columns_));
                for (int dr = -1; dr <= 1; ++dr) {
                    for (int dc = -1; dc <= 1; ++dc) {
                        const int nr = r + dr;
                        const int nc = c + dc;
                        if ((dr == 0 && dc == 0) || nr < 0 || nc < 0 || nr >= rows_ || nc >= columns_)
                            continue;
                        const std::size_t n = at(nr, nc);
                        const std::uint32_t next = d + (dr != 0 && dc != 0 ? 4u : 3u);
                        if (open[n] && next < distance_[n]) {
                            distance_[n] = next;
                            buckets[next % buckets.size()].push_back(static_cast<std::uint32_t>(n));
                            ++waiting;
                        }
                    }
                }
            }
        }
        for (const std::uint32_t d : distance_)
            if (d != kUnreached)
                farthest_ = std::max(farthest_, d);
    }

    std::size_t bytes() const { return distance_.capacity() * sizeof(std::uint32_t); }

    // The distance in twips (roughly) from the player's top-left corner at (left, top); a
    // place the map cannot reach counts as farther than every place it can.
    std::uint32_t twipsFrom(float left, float top) const
    {
        if (distance_.empty())
            return 0;
        const int c = cellOf(left, twipsPerPixelX_, columns_);
        const int r = cellOf(top, twipsPerPixelY_, rows_);
        std::uint32_t d = distance_[at(r, c)];
        if (d == kUnreached)
            d = farthest_ + 3;
        return static_cast<std::uint32_t>(std::min(static_cast<double>(d) * cell_ * twipsPerPixelX_ / 3.0, 1e9));
    }

private:
    std::size_t at(int row, int column) const
    {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(column);
    }
    int cellOf(float twips, float twipsPerPixel, int cells) const
    {
        const double cell = std::floor(double{twips} / twipsPerPixel / cell_);
        if (!(cell > 0))
            return 0;
        return static_cast<int>(std::min(cell, static_cast<double>(cells - 1)));
    }

    float twipsPerPixelX_;
    float twipsPerPixelY_;
    int cell_ = 1;
    int columns_ = 0;
    int rows_ = 0;
    std::vector<std::uint32_t> distance_;
    std::uint32_t farthest_ = 0;
};

// What carries over from one tick to the next, and how the search reached it.
struct Node {
    float left;
    float top;
    std::int16_t speed;
    std::uint16_t depth;  // ticks from the start
    std::uint8_t flag;    // the leap flag: 1 true, 0 false
    KeyMask keys;         // held in the tick that led here
    std::uint32_t parent; // index of the state before
};

// A state as the de-duplication compares it: the exact bits of Left and Top, speed and flag.
struct StateKey {
    std::uint64_t position = 0;
    std::uint32_t motion = 0;
    explicit StateKey(const Node& n)
        : position(std::uint64_t{std::bit_cast<std::uint32_t>(n.left)} << 32 | std::bit_cast<std::uint32_t>(n.top)),
          motion(std::uint32_t{static_cast<std::uint16_t>(n.speed)} << 1 | n.flag)
    {
    }
    std::uint64_t hash() const { return hashOf(position, motion); }
    static std::uint64_t hashOf(std::uint64_t position, std::uint32_t motion)
    {
        std::uint64_t h = position ^ (std::uint64_t{motion} * 0x9E3779B97F4A7C15ull);
        h ^= h >> 29;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 32;
        return h;
    }
};

// Open addressing that keeps each key beside its state's index, so a look-up touches one
// place in memory.
class StateSet {
public:
    static constexpr std::uint32_t kAbsent = std::numeric_limits<std::uint32_t>::max();

    // The index of the state with this key, or kAbsent (then `add` may follow at once).
    std::uint32_t find(const StateKey& key)
    {
        if ((used_ + 1) * 2 > slots_.size())
            grow();
        const std::size_t mask = slots_.size() - 1;
        for (at_ = key.hash() & mask;; at_ = (at_ + 1) & mask) {
            const Slot& slot = slots_[at_];
            if (slot.index == 0)
                return kAbsent;
            if (slot.position == key.position && slot.motion == key.motion)
                return slot.index - 1;
        }
    }
    // Adds the key that `find` just missed, for the state at `index`.
    void add(const StateKey& key, std::uint32_t index)
    {
        slots_[at_] = {key.position, key.motion, index + 1};
        ++used_;
    }

    // The bytes held now, and after the next growth when that is due.
    std::size_t bytesAfterNextAdd() const
    {
        const std::size_t slots = (used_ + 2) * 2 > slots_.size() ? std::max<std::size_t>(1024, slots_.size() * 2)
                                                                  : slots_.size();
        return slots * sizeof(Slot);
    }

private:
    struct Slot {
        std::uint64_t position = 0;
        std::uint32_t motion = 0;
        std::uint32_t index = 0; // index + 1; 0 is empty
    };

    void grow()
    {
        std::vector<Slot> old(std::max<std::size_t>(1024, slots_.size() * 2));
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.index == 0)
                continue;
            std::size_t at = StateKey::hashOf(slot.position, slot.motion) & mask;
            while (slots_[at].index != 0)
                at = (at + 1) & mask;
            slots_[at] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::size_t at_ = 0;
};

// Coarse cells of position, speed and leap flag, each admitting a few states: a pass that
// tries only the first states of every cell covers a level quickly, at the risk of missing a
// route that needs two states of one cell.
class CellCounts {
public:
    CellCounts(float cellTwips, int cellSpeed, unsigned perCell)
        : cellTwips_(cellTwips), cellSpeed_(cellSpeed), perCell_(perCell)
    {
    }

    // True when the cell of `n` has room for one more state (which is then counted).
    bool admit(const Node& n)
    {
        if (perCell_ == 0)
            return true;
        const auto x = static_cast<std::int64_t>(std::floor(double{n.left} / cellTwips_));
        const auto y = static_cast<std::int64_t>(std::floor(double{n.top} / cellTwips_));
        const std::int64_t v = (n.speed + 32768) / cellSpeed_;
        const std::uint64_t key = (static_cast<std::uint64_t>(x & 0xFFFFFF) << 40 |
                                   static_cast<std::uint64_t>(y & 0xFFFFFF) << 16 |
                                   static_cast<std::uint64_t>(v) << 1 | n.flag) +
                                  1;
        if ((used_ + 1) * 2 > keys_.size())
            grow();
        const std::size_t mask = keys_.size() - 1;
        std::size_t at = mix(key) & mask;
        while (keys_[at] != 0 && keys_[at] != key)
            at = (at + 1) & mask;
        if (keys_[at] == 0) {
            keys_[at] = key;
            ++used_;
        }
        if (counts_[at] >= perCell_)
            return false;
        ++counts_[at];
        return true;
    }

    std::size_t bytesAfterNextAdd() const
    {
        if (perCell_ == 0)
            return 0;
        const std::size_t slots =
            (used_ + 2) * 2 > keys_.size() ? std::max<std::size_t>(1024, keys_.size() * 2) : keys_.size();
        return slots * (sizeof(std::uint64_t) + sizeof(std::uint8_t));
    }

private:
    static std::uint64_t mix(std::uint64_t h)
    {
        h ^= h >> 31;
        h *= 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
        return h;
    }
    void grow()
    {
        std::vector<std::uint64_t> keys(std::max<std::size_t>(1024, keys_.size() * 2), 0);
        std::vector<std::uint8_t> counts(keys.size(), 0);
        const std::size_t mask = keys.size() - 1;
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            if (keys_[i] == 0)
                continue;
            std::size_t at = mix(keys_[i]) & mask;
            while (keys[at] != 0)
                at = (at + 1) & mask;
            keys[at] = keys_[i];
            counts[at] = counts_[i];
        }
        keys_ = std::move(keys);
        counts_ = std::move(counts);
    }

    float cellTwips_;
    int cellSpeed_;
    unsigned perCell_;
    std::size_t used_ = 0;
    std::vector<std::uint64_t> keys_; // cell + 1; 0 is empty
    std::vector<std::uint8_t> counts_;
};

// One sweep of the search. The coarse passes come first; the last takes every state and alone
// can prove that no route exists.
struct Pass {
    float cellTwips;   // side of a cell of Left and Top
    int cellSpeed;     // speeds per cell
    unsigned perCell;  // states a cell admits; 0: no cells, every state
};
constexpr std::array<Pass, 3> kPasses{{{32, 4, 1}, {8, 1, 1}, {0, 1, 0}}};

class HeldKeys : public KeyState {
public:
    KeyMask held = 0;
    bool GetAsyncKeyState(int key) override
    {
        switch (key) {
        case vk::Left: return (held & kKeyLeft) != 0;
        case vk::Right: return (held & kKeyRight) != 0;
        case vk::Space: return (held & kKeySpace) != 0;
        default: return false;
        }
    }
};

template <typename T>
std::size_t bytesAfterPush(const std::vector<T>& v)
{
    return (v.size() < v.capacity() ? v.capacity() : std::max<std::size_t>(16, v.capacity() * 2)) * sizeof(T);
}

std::vector<KeyMask> routeTo(const std::vector<Node>& nodes, std::uint32_t last, KeyMask finalKeys)
{
    std::vector<KeyMask> route{finalKeys};
    for (std::uint32_t i = last; i != 0; i = nodes[i].parent)
        route.push_back(nodes[i].keys);
    std::reverse(route.begin(), route.end());
    return route;
}

SolveOutcome searchPass(LevelSession& session, const PlayState& start, const DistanceMap& map,
                        const SolveLimits& limits, const Pass& pass, SolveResult& result)
{
    const PlayerShape origin = session.player();
    const int maxTicks = std::clamp(limits.maxTicks, 0, int{std::numeric_limits<std::uint16_t>::max()});
    PlayState play = start;
    HeldKeys keys;
    TickHooks hooks{keys, {}, {}, {}};
    std::vector<Node> nodes;
    StateSet seen;
    CellCounts cells(pass.cellTwips, pass.cellSpeed, pass.perCell);
    // A heap of the states to try: priority in the high half, index in the low half, so that
    // of equal priorities the first found goes first.
    std::vector<std::uint64_t> queue;
    auto enqueue = [&](std::uint32_t index) {
        const Node& n = nodes[index];
        const std::uint64_t priority = map.twipsFrom(n.left, n.top) + kTwipsPerTick * n.depth;
        queue.push_back(priority << 32 | index);
        std::push_heap(queue.begin(), queue.end(), std::greater<>());
    };
    auto finish = [&](SolveOutcome outcome) {
        result.states = std::max(result.states, nodes.size());
        return outcome;
    };

    const Node first{origin.Left, origin.Top, start.beschleunigung, 0, start.stehend != kFalse, 0, 0};
    seen.find(StateKey(first));
    seen.add(StateKey(first), 0);
    nodes.push_back(first);
    enqueue(0);
    while (!queue.empty()) {
        std::pop_heap(queue.begin(), queue.end(), std::greater<>());
        const auto index = static_cast<std::uint32_t>(queue.back() & 0xFFFFFFFFu);
        queue.pop_back();
        const Node here = nodes[index];
        if (here.depth >= maxTicks)
            continue;
        for (KeyMask held = 0; held < 8; ++held) {
            session.movePlayerTo(here.left, here.top);
            play.beschleunigung = here.speed;
            play.stehend = here.flag ? kTrue : kFalse;
            keys.held = held;
            const TickResult tick = session.tick(play, hooks);
            ++result.ticks;
            if (tick.goal) {
                result.route = routeTo(nodes, index, held);
                return finish(SolveOutcome::Solved);
            }
            const PlayerShape& shape = session.player();
            const Node next{shape.Left,
                            shape.Top,
                            play.beschleunigung,
                            static_cast<std::uint16_t>(here.depth + 1),
                            play.stehend != kFalse,
                            held,
                            index};
            const StateKey key(next);
            if (seen.find(key) != StateSet::kAbsent || !cells.admit(next))
                continue;
            const std::size_t bytes = bytesAfterPush(nodes) + seen.bytesAfterNextAdd() + bytesAfterPush(queue) +
                                      cells.bytesAfterNextAdd() + map.bytes();
            if (bytes > limits.maxBytes || nodes.size() >= StateSet::kAbsent - 1)
                return finish(SolveOutcome::OutOfMemory);
            seen.add(key, static_cast<std::uint32_t>(nodes.size()));
            nodes.push_back(next);
            enqueue(static_cast<std::uint32_t>(nodes.size() - 1));
        }
    }
    return finish(SolveOutcome::NoRoute);
}

} // namespace

SolveResult solve(LevelSession& session, const PlayState& start, const SolveLimits& limits)
{
    SolveResult result;
    if (std::optional<std::string> proof = limits.prove ? proveNoRoute(session, start) : std::nullopt) {
        result.outcome = SolveOutcome::NoRoute;
        result.proof = std::move(*proof);
        return result;
    }
    const PlayerShape origin = session.player();
    const DistanceMap map(session.playfield(), origin.Width);
    for (const Pass& pass : kPasses) {
        result.outcome = searchPass(session, start, map, limits, pass, result);
        if (result.outcome == SolveOutcome::Solved)
            break;
    }
    session.movePlayerTo(origin.Left, origin.Top);
    return result;
}

std::string keyScript(std::span<const KeyMask> route)
{
    std::string script;
    for (const KeyMask keys : route) {
        if (keys & kKeyLeft)
            script += 'L';
        if (keys & kKeyRight)
            script += 'R';
        if (keys & kKeySpace)
            script += 'S';
        if (keys == 0)
            script += '.';
        script += '\n';
    }
    return script;
}

} // namespace hopplix::check
