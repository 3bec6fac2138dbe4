// hopplix-replay --level DIR [--screen WxH] [--dpi N] [--frame WxH] [--client WxH] [--keys FILE] [--ticks N]
#include "replay.h"

#include <QFile>
#include <QImage>

#include <cstdio>
#include <iostream>

namespace {

hopplix::Picture decode(const std::filesystem::path& file)
{
    QImage image(QFile::decodeName(QByteArray::fromStdString(file.string())));
    if (image.isNull())
        throw hopplix::replay::Error(file.string() + " is not a picture this tool can read");
    // Non-premultiplied, so the colours stay exactly as painted; alpha plays no part.
    image = image.convertToFormat(QImage::Format_ARGB32);
    hopplix::Picture picture;
    picture.width = image.width();
    picture.height = image.height();
    picture.pixels.reserve(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < picture.width; ++x)
            picture.pixels.push_back(static_cast<uint32_t>(qRed(line[x])) |
                                     static_cast<uint32_t>(qGreen(line[x])) << 8 |
                                     static_cast<uint32_t>(qBlue(line[x])) << 16);
    }
    return picture;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        const auto options = hopplix::replay::parseArguments(std::vector<std::string>(argv + 1, argv + argc));
        const std::string out = hopplix::replay::run(options, decode);
        std::fwrite(out.data(), 1, out.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const hopplix::replay::Error& e) {
        std::cerr << "hopplix-replay: " << e.what() << '\n';
    } catch (const std::exception& e) {
        std::cerr << "hopplix-replay: " << e.what() << '\n';
    }
    return 2;
}
