#pragma once
// One level being played: its picture, the playfield the picture is stretched over, the layout
// that fits both to the screen, and the player Shape1. The game window and the tools each hold
// one and drive it; the play state that outlives a level is theirs and is handed in.

#include "common/SystemServices.h"
#include "game/Engine.h"
#include "game/Layout.h"
#include "game/PictureDecoder.h"
#include "game/Playfield.h"

#include <filesystem>
#include <optional>
#include <string>

namespace hopplix {

// Where a level is shown.
struct Viewport {
    ScreenMetrics screen;
    int frameWidthPx = 0; // the window's outer size less its client area
    int frameHeightPx = 0;
    // When both are set the client area is exactly this many pixels and the window is not sized
    // to the picture (its outer size is then the client plus the frame).
    std::optional<int> clientWidthPx;
    std::optional<int> clientHeightPx;
};

enum class LoadStatus {
    Loaded,
    PictureMissing,    // no Level.bmp, or one that is a folder, hidden or otherwise not ordinary
    PictureUnreadable, // the decoder refused it
    LayoutImpossible,  // the picture has no size on this screen
};

struct LoadResult {
    LoadStatus status = LoadStatus::Loaded;
    std::string reason; // for LayoutImpossible: what did not fit
};

class LevelSession {
public:
    // The decoder must outlive the session.
    explicit LevelSession(const PictureDecoder& decoder) : decoder_(decoder) {}

    // Opens the level in `folder` (Level.bmp and config.ini) laid out for `viewport`. Loaded:
    // the player has its size and stands at the level's start, which `play` holds as StartX and
    // StartY; the speed, the leap flag and the letters stay as the previous level left them.
    // Any other status leaves nothing open and `play` as it was.
    LoadResult load(const std::filesystem::path& folder, const Viewport& viewport, PlayState& play);

    // Lays the open level out again for another viewport (the window's frame became known):
    // playfield, player size and start follow it, and the player is back at its start. false,
    // with nothing changed, when the picture has no size there or no level is open.
    bool layOut(const Viewport& viewport, PlayState& play);

    // One 20 ms tick of the open level.
    TickResult tick(PlayState& play, TickHooks& hooks);

    // Lets go of the picture and the playfield; the player stays where it was last.
    void close();
    bool isOpen() const { return picture_.has_value(); }

    // The decoded Level.bmp of the open level; null when none is open.
    const Picture* picture() const { return picture_ ? &*picture_ : nullptr; }
    const PlayerShape& player() const { return player_; }
    void movePlayerTo(float left, float top);
    // The painted level the probes read; its address stays the same for the session's life.
    const Playfield& playfield() const { return playfield_; }
    // The layout of the open level (client area, player side, start); the last one when closed.
    const LevelLayout& layout() const { return layout_; }

private:
    void layOutOrThrow(const Viewport& viewport, PlayState& play);

    const PictureDecoder& decoder_;
    // Kept while the level is open, for laying it out again.
    std::optional<Picture> picture_;
    LevelSettings settings_;
    LevelLayout layout_;
    Playfield playfield_;
    PlayerShape player_;
};

} // namespace hopplix
