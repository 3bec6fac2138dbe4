#pragma once
// One level being played: the playfield its picture is stretched over, the layout that fits
// both to the screen, and the player Shape1. The game window and the tools each hold one and
// drive it; the play state that outlives a level is theirs and is handed in.

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

// The smallest client area a level is played in, in pixels each way: the automatic player, a
// twentieth of it, is then at least one pixel, and the window more than its frame.
inline constexpr int kMinClientPx = 20;

enum class LoadStatus {
    Loaded,
    PictureMissing,    // no Level.bmp, or one that is a folder, hidden or otherwise not ordinary
    PictureUnreadable, // the decoder refused it (LoadResult::picture says why)
    PictureTooSmall,   // on this screen its client area would be below kMinClientPx
    LayoutImpossible,  // the screen reports no size
};

struct LoadResult {
    LoadStatus status = LoadStatus::Loaded;
    PictureError picture; // for PictureUnreadable
    std::string reason;   // why it failed, in English, for the tools
    // For PictureTooSmall: the picture's size and the client area it would get, in pixels.
    int pictureWidthPx = 0;
    int pictureHeightPx = 0;
    int clientWidthPx = 0;
    int clientHeightPx = 0;
    bool ok() const { return status == LoadStatus::Loaded; }
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
    // playfield, player size and start follow it, and the player is back at its start. The
    // picture is not kept while playing, so it is read again. Any failure leaves everything as
    // it was (the level stays open); with no level open it is LayoutImpossible.
    LoadResult layOut(const Viewport& viewport, PlayState& play);

    // One 20 ms tick of the open level.
    TickResult tick(PlayState& play, TickHooks& hooks);

    // Lets go of the playfield; the player stays where it was last.
    void close();
    bool isOpen() const { return picture_.has_value(); }

    // The open level's picture file, as found in its folder; null when none is open.
    const std::filesystem::path* pictureFile() const { return picture_ ? &*picture_ : nullptr; }
    const PlayerShape& player() const { return player_; }
    void movePlayerTo(float left, float top);
    // The painted level the probes read; its address stays the same for the session's life.
    const Playfield& playfield() const { return playfield_; }
    // The layout of the open level (client area, player side, start); the last one when closed.
    const LevelLayout& layout() const { return layout_; }

private:
    // Reads the picture and stretches it over a playfield laid out for the viewport.
    LoadResult paint(const std::filesystem::path& picture, const LevelSettings& settings, const Viewport& viewport,
                     LevelLayout& layout, Playfield& field) const;

    const PictureDecoder& decoder_;
    // The open level's picture file, read again for a new layout.
    std::optional<std::filesystem::path> picture_;
    LevelSettings settings_;
    LevelLayout layout_;
    Playfield playfield_;
    PlayerShape player_;
};

// Why a picture was refused, in English: the bitmap reader's text for its reasons.
std::string pictureErrorText(const PictureError& error);

} // namespace hopplix
