#include "game/LevelSession.h"

#include "common/Paths.h"

#include <utility>

namespace hopplix {

namespace {

// Lays the level out as soon as the decoder tells the picture's size, then stretches each row
// straight into the playfield.
class PlayfieldPainter : public PictureRows {
public:
    PlayfieldPainter(const LevelSettings& settings, const Viewport& viewport, LevelLayout& layout, Playfield& field)
        : settings_(settings), viewport_(viewport), layout_(layout), field_(field)
    {}

    bool size(int width, int height) override
    {
        const ScreenMetrics& screen = viewport_.screen;
        if (!(screen.twipsPerPixelX > 0) || !(screen.twipsPerPixelY > 0)) {
            failure_ = {LoadStatus::LayoutImpossible, {}, "the screen reports no size"};
            return false;
        }
        const HimetricSize natural = himetricSize(width, height, screen);
        LayoutRequest request;
        request.pictureWidthPx = width;
        request.pictureHeightPx = height;
        request.screen = screen;
        request.rounding = SizeRounding::WholePixels;
        request.frameWidthPx = viewport_.frameWidthPx;
        request.frameHeightPx = viewport_.frameHeightPx;
        request.clientWidthPx = viewport_.clientWidthPx;
        request.clientHeightPx = viewport_.clientHeightPx;
        if (natural.width > 0 && natural.height > 0) {
            LayoutResult laid = layoutLevel(settings_, request);
            if (!laid.ok()) {
                failure_ = {LoadStatus::LayoutImpossible, {}, std::move(laid.refusal)};
                return false;
            }
            layout_ = std::move(*laid.layout);
        }
        const ClientArea& client = layout_.client;
        if (natural.width <= 0 || natural.height <= 0 || client.widthPx < kMinClientPx
            || client.heightPx < kMinClientPx) {
            failure_ = {LoadStatus::PictureTooSmall,
                        {},
                        "the picture (" + std::to_string(width) + " x " + std::to_string(height)
                            + " pixels) is too small for this screen: the client area would be "
                            + std::to_string(client.widthPx) + " x " + std::to_string(client.heightPx)
                            + " pixels, at least " + std::to_string(kMinClientPx) + " x " + std::to_string(kMinClientPx)
                            + " are needed",
                        width,
                        height,
                        client.widthPx,
                        client.heightPx};
            return false;
        }
        field_ = Playfield(client.widthPx, client.heightPx, static_cast<float>(screen.twipsPerPixelX),
                           static_cast<float>(screen.twipsPerPixelY));
        stretcher_.emplace(width, height, field_);
        return true;
    }

    void row(int y, std::span<const std::uint32_t> colours) override
    {
        if (stretcher_)
            stretcher_->row(y, colours);
    }

    LoadResult result(const PictureError& decoded) const
    {
        if (decoded.refused && failure_.status != LoadStatus::Loaded)
            return failure_;
        if (!decoded.ok())
            return {LoadStatus::PictureUnreadable, decoded, pictureErrorText(decoded)};
        if (!stretcher_ || !stretcher_->complete()) {
            // A decoder that claims the picture but left rows out.
            const PictureError missing{BmpError::TruncatedPixels};
            return {LoadStatus::PictureUnreadable, missing, pictureErrorText(missing)};
        }
        return {};
    }

private:
    const LevelSettings& settings_;
    const Viewport& viewport_;
    LevelLayout& layout_;
    Playfield& field_;
    std::optional<RowStretcher> stretcher_;
    LoadResult failure_;
};

} // namespace

std::string pictureErrorText(const PictureError& error)
{
    if (error.reason != BmpError::None)
        return std::string(bmpErrorText(error.reason));
    if (error.damaged)
        return "picture data is damaged or incomplete";
    if (error.refused)
        return "picture refused";
    return {};
}

LoadResult LevelSession::paint(const std::filesystem::path& picture, const LevelSettings& settings,
                               const Viewport& viewport, LevelLayout& layout, Playfield& field) const
{
    PlayfieldPainter painter(settings, viewport, layout, field);
    return painter.result(decoder_.decode(picture, painter));
}

LoadResult LevelSession::load(const std::filesystem::path& folder, const Viewport& viewport, PlayState& play)
{
    close();
    const std::filesystem::path image = levelImagePath(folder);
    if (!isOrdinaryFile(image))
        return {LoadStatus::PictureMissing, {}, "no Level.bmp in " + folder.string()};
    LevelSettings settings = loadLevelSettings(levelConfigPath(folder));
    LevelLayout layout;
    Playfield field;
    LoadResult result = paint(image, settings, viewport, layout, field);
    if (!result.ok())
        return result;
    picture_ = image;
    settings_ = std::move(settings);
    layout_ = std::move(layout);
    playfield_ = std::move(field);
    placePlayer(layout_, play, player_);
    return result;
}

LoadResult LevelSession::layOut(const Viewport& viewport, PlayState& play)
{
    if (!picture_)
        return {LoadStatus::LayoutImpossible, {}, "no level is open"};
    LevelLayout layout;
    Playfield field;
    LoadResult result = paint(*picture_, settings_, viewport, layout, field);
    if (!result.ok())
        return result;
    layout_ = std::move(layout);
    playfield_ = std::move(field);
    placePlayer(layout_, play, player_);
    return result;
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
