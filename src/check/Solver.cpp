#include "check/Solver.h"

#include "check/Proof.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <deque>
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
        if (field.width() <= 0 || field.height() <= 0)
            return;
        const BlockSums sums = blockSums(field);
        std::vector<std::uint32_t> goals;
        const std::vector<bool> open = openCells(sums, side, goals);
        bucketSearch(open, goals);
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
    // Counts of blocking and of green pixels over the blocks of the picture, summed so that any
    // rectangle of blocks is counted in four look-ups.
    struct BlockSums {
        int w = 0;
        int h = 0;
        std::size_t stride = 0;
        std::vector<std::int32_t> blocking;
        std::vector<std::int32_t> green;

        int count(const std::vector<std::int32_t>& sums, int x0, int y0, int x1, int y1) const
        {
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
        }
    };

    // A large playfield is mapped in blocks of cell_ x cell_ pixels; a block blocks when any of
    // its pixels does (every colour but white and green), and is green when any is.
    BlockSums blockSums(const Playfield& field)
    {
        const int pw = field.width();
        const int ph = field.height();
        cell_ = 1;
        while (std::int64_t{(pw + cell_ - 1) / cell_} * ((ph + cell_ - 1) / cell_) > kMaxMapCells)
            ++cell_;
        BlockSums sums;
        sums.w = (pw + cell_ - 1) / cell_;
        sums.h = (ph + cell_ - 1) / cell_;
        sums.stride = static_cast<std::size_t>(sums.w) + 1;
        sums.blocking.assign(sums.stride * (static_cast<std::size_t>(sums.h) + 1), 0);
        sums.green.assign(sums.blocking.size(), 0);
        for (int y = 0; y < ph; ++y) {
            for (int x = 0; x < pw; ++x) {
                const char letter = field.classAtIndex(x + 1, y + 1);
                const std::size_t at =
                    (static_cast<std::size_t>(y / cell_) + 1) * sums.stride + static_cast<std::size_t>(x / cell_) + 1;
                sums.blocking[at] |= letter != 'w' && letter != 'g';
                sums.green[at] |= letter == 'g';
            }
        }
        const std::size_t stride = sums.stride;
        for (auto* table : {&sums.blocking, &sums.green})
            for (std::size_t y = 1; y <= static_cast<std::size_t>(sums.h); ++y)
                for (std::size_t x = 1; x < stride; ++x)
                    (*table)[y * stride + x] += (*table)[(y - 1) * stride + x] + (*table)[y * stride + x - 1]
                                                - (*table)[(y - 1) * stride + x - 1];
        return sums;
    }

    // The places of the player's top-left corner, in blocks, where its square lies inside the
    // picture (outside there is nothing to go around) and is open; those touching green go to
    // `goals`. The square may touch what blocks, so its rim is left out.
    std::vector<bool> openCells(const BlockSums& sums, float side, std::vector<std::uint32_t>& goals)
    {
        const double blockX = double{twipsPerPixelX_} * cell_;
        const double blockY = double{twipsPerPixelY_} * cell_;
        const double sideX = std::isfinite(side) ? std::max(1.0, std::round(double{side} / blockX)) : 1.0;
        const double sideY = std::isfinite(side) ? std::max(1.0, std::round(double{side} / blockY)) : 1.0;
        const int sx = static_cast<int>(std::min<double>(sideX, sums.w));
        const int sy = static_cast<int>(std::min<double>(sideY, sums.h));
        columns_ = sums.w - sx + 1;
        rows_ = sums.h - sy + 1;
        const int rimX = std::min(1, (sx - 1) / 2);
        const int rimY = std::min(1, (sy - 1) / 2);
        std::vector<bool> open(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_));
        for (int r = 0; r < rows_; ++r) {
            for (int c = 0; c < columns_; ++c) {
                const std::size_t i = at(r, c);
                open[i] = sums.count(sums.blocking, c + rimX, r + rimY, c + sx - rimX, r + sy - rimY) == 0;
                if (sums.count(sums.green, c - 1, r - 1, c + sx + 1, r + sy + 1) > 0)
                    goals.push_back(static_cast<std::uint32_t>(i));
            }
        }
        return open;
    }

    // Distances from the goals outwards through open places: steps of 3 along an axis and 4
    // across, close to the true distance. Steps cost 3 or 4, so five buckets taken round hold
    // every distance still to come.
    void bucketSearch(const std::vector<bool>& open, const std::vector<std::uint32_t>& goals)
    {
        distance_.assign(open.size(), kUnreached);
        std::array<std::vector<std::uint32_t>, 5> buckets;
        for (const std::uint32_t i : goals)
            distance_[i] = 0;
        buckets[0] = goals;
        std::size_t waiting = goals.size();
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
    {}
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

    // The most bytes held while the next add runs: when it must grow, the old table and the
    // new one at once.
    std::size_t peakOfNextAdd() const
    {
        const std::size_t now = slots_.size() * sizeof(Slot);
        if ((used_ + 2) * 2 <= slots_.size())
            return now;
        return now + std::max<std::size_t>(1024, slots_.size() * 2) * sizeof(Slot);
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
    {}

    // True when the cell of `n` has room for one more state (which is then counted).
    bool admit(const Node& n)
    {
        if (perCell_ == 0)
            return true;
        const auto x = static_cast<std::int64_t>(std::floor(double{n.left} / cellTwips_));
        const auto y = static_cast<std::int64_t>(std::floor(double{n.top} / cellTwips_));
        const std::int64_t v = (n.speed + 32768) / cellSpeed_;
        const std::uint64_t key =
            (static_cast<std::uint64_t>(x & 0xFFFFFF) << 40 | static_cast<std::uint64_t>(y & 0xFFFFFF) << 16
             | static_cast<std::uint64_t>(v) << 1 | n.flag)
            + 1;
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

    // As StateSet::peakOfNextAdd.
    std::size_t peakOfNextAdd() const
    {
        if (perCell_ == 0)
            return 0;
        constexpr std::size_t kSlot = sizeof(std::uint64_t) + sizeof(std::uint8_t);
        const std::size_t now = keys_.size() * kSlot;
        if ((used_ + 2) * 2 <= keys_.size())
            return now;
        return now + std::max<std::size_t>(1024, keys_.size() * 2) * kSlot;
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
    float cellTwips;  // side of a cell of Left and Top
    int cellSpeed;    // speeds per cell
    unsigned perCell; // states a cell admits; 0: no cells, every state
};
constexpr std::array<Pass, 3> kPasses{{{32, 4, 1}, {8, 1, 1}, {0, 1, 0}}};

// The states and the heap of those still to try grow in blocks that never move, so that no
// growth holds an old copy beside a new one (nor leaves a freed one behind in the heap).
template <typename T>
std::size_t bytesOf(const std::deque<T>& d)
{
    // libstdc++'s blocks hold 512 bytes; one block, and a pointer for each, come on top.
    constexpr std::size_t kBlock = 512;
    return (d.size() * sizeof(T) / kBlock + 2) * (kBlock + 2 * sizeof(void*));
}

std::vector<KeyMask> routeTo(const std::deque<Node>& nodes, std::uint32_t last, KeyMask finalKeys)
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
    std::deque<Node> nodes;
    StateSet seen;
    CellCounts cells(pass.cellTwips, pass.cellSpeed, pass.perCell);
    // A heap of the states to try: priority in the high half, index in the low half, so that
    // of equal priorities the first found goes first.
    std::deque<std::uint64_t> queue;
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
            // The set of states met may grow in this step: its old table and its new one.
            const std::size_t bytes =
                bytesOf(nodes) + bytesOf(queue) + seen.peakOfNextAdd() + cells.peakOfNextAdd() + map.bytes();
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

} // namespace hopplix::check
