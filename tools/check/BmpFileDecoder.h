#pragma once
// Level.bmp read by the core's own bitmap reader, so the checker stays free of Qt.

#include "game/PictureDecoder.h"

#include <string>

namespace hopplix::check {

class BmpFileDecoder : public PictureDecoder {
public:
    bool decode(const std::filesystem::path& file, PictureRows& rows) const override;
    // Why the last decode failed, in words; empty after a success.
    const std::string& lastError() const { return lastError_; }

private:
    mutable std::string lastError_;
};

} // namespace hopplix::check
