#include "game/LevelSession.h"

#include "common/Paths.h"

#include <stdexcept>

namespace hopplix {

LoadResult LevelSession::load(const std::filesystem::path& folder, const Viewport& viewport, PlayState& play)
{
    close();
    const std::filesystem::path image = levelImagePath(folder);
    if (!isOrdinaryFile(image))
        return {LoadStatus::PictureMissing, {}};
    std::optional<Picture> picture = decodePicture(decoder_, image);
    if (!picture)
        return {LoadStatus::PictureUnreadable, {}};
    picture_ = std::move(picture);
    settings_ = loadLevelSettings(levelConfigPath(folder));
    try {
        layOutOrThrow(viewport, play);
    } catch (const std::invalid_argument& e) {
        close();
        return {LoadStatus::LayoutImpossible, e.what()};
    }
    return {};
}

bool LevelSession::layOut(const Viewport& viewport, PlayState& play)
{
    if (!picture_)
        return false;
    try {
        layOutOrThrow(viewport, play);
    } catch (const std::invalid_argument&) {
        return false;
    }
    return true;
}

void LevelSession::layOutOrThrow(const Viewport& viewport, PlayState& play)
{
    LayoutRequest request;
    request.pictureWidthPx = picture_->width;
    request.pictureHeightPx = picture_->height;
    request.screen = viewport.screen;
    request.rounding = SizeRounding::WholePixels;
    request.frameWidthPx = viewport.frameWidthPx;
    request.frameHeightPx = viewport.frameHeightPx;
    request.clientWidthPx = viewport.clientWidthPx;
    request.clientHeightPx = viewport.clientHeightPx;
    // Both may throw: nothing changes until they have succeeded.
    LevelLayout layout = layoutLevel(settings_, request);
    Playfield field = Playfield::stretched(*picture_, layout.client.widthPx, layout.client.heightPx,
                                           static_cast<float>(viewport.screen.twipsPerPixelX),
                                           static_cast<float>(viewport.screen.twipsPerPixelY));
    layout_ = std::move(layout);
    playfield_ = std::move(field);
    placePlayer(layout_, play, player_);
}

TickResult LevelSession::tick(PlayState& play, TickHooks& hooks)
{
    return hopplix::tick(play, player_, playfield_, layout_.client.ScaleHeight, layout_.client.ScaleWidth, hooks);
}

void LevelSession::close()
{
    picture_.reset();
    playfield_ = Playfield();
}

void LevelSession::movePlayerTo(float left, float top)
{
    player_.Left = left;
    player_.Top = top;
}

} // namespace hopplix
