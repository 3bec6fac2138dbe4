// Reading level pictures: a 4000 x 3000 24-bit bitmap (36 MB) row by row and whole, a level of
// that picture opened by the session (read and stretched into the playfield row by row), and a
// bundled RLE8 level.

#include "game/LevelSession.h"
#include "picture/BmpReader.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A level folder holding a bottom-up 24-bit bitmap of varied colours, written row by row.
class BigBitmap {
public:
    BigBitmap(int width, int height)
        : folder_(std::filesystem::temp_directory_path() / ("hopplix-bench-" + std::to_string(::getpid()))),
          path_(folder_ / "Level.bmp")
    {
        std::filesystem::create_directories(folder_);
        const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
        const std::uint32_t dataSize = stride * static_cast<std::uint32_t>(height);
        std::vector<std::uint8_t> header(54);
        const auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
            for (int i = 0; i < bytes; ++i)
                header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        header[0] = 'B';
        header[1] = 'M';
        put(2, 54 + dataSize, 4);
        put(10, 54, 4);
        put(14, 40, 4);
        put(18, static_cast<std::uint32_t>(width), 4);
        put(22, static_cast<std::uint32_t>(height), 4);
        put(26, 1, 2);
        put(28, 24, 2);
        put(34, dataSize, 4);
        std::ofstream out(path_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        std::vector<std::uint8_t> row(stride);
        std::uint32_t state = 12345;
        for (int y = 0; y < height; ++y) {
            for (std::size_t i = 0; i < static_cast<std::size_t>(width) * 3; ++i) {
                state = state * 1103515245u + 12345u;
                row[i] = static_cast<std::uint8_t>(state >> 24);
            }
            out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
        }
    }
    ~BigBitmap() { std::filesystem::remove_all(folder_); }
    BigBitmap(const BigBitmap&) = delete;
    BigBitmap& operator=(const BigBitmap&) = delete;

    const std::filesystem::path& path() const { return path_; }
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::filesystem::path path_;
};

// What the stretcher does with each row: touch it.
void streamRows(benchmark::State& state, const std::filesystem::path& file)
{
    std::int64_t pixels = 0;
    for (auto _ : state) {
        hopplix::BmpReader reader(file);
        std::uint32_t sum = 0;
        const hopplix::BmpError error =
            reader.readRows([&](int, std::span<const std::uint32_t> row) { sum += row[row.size() / 2]; });
        if (error != hopplix::BmpError::None)
            state.SkipWithError(std::string(hopplix::bmpErrorText(error)).c_str());
        benchmark::DoNotOptimize(sum);
        pixels += std::int64_t{reader.width()} * reader.height();
    }
    state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(pixels), benchmark::Counter::kIsRate);
}

void Stream24Bit4000x3000(benchmark::State& state)
{
    const BigBitmap file(4000, 3000);
    streamRows(state, file.path());
}
BENCHMARK(Stream24Bit4000x3000)->Unit(benchmark::kMillisecond);

void Whole24Bit4000x3000(benchmark::State& state)
{
    const BigBitmap file(4000, 3000);
    for (auto _ : state) {
        hopplix::BmpResult result = hopplix::decodeBmpFile(file.path());
        benchmark::DoNotOptimize(result.picture.pixels.data());
    }
}
BENCHMARK(Whole24Bit4000x3000)->Unit(benchmark::kMillisecond);

// What the game does with a level: the picture is read once and stretched row by row into a
// playfield of the window's client area (1259 x 944 pixels on a 1280 x 1024 screen).
void OpenLevel24Bit4000x3000(benchmark::State& state)
{
    const BigBitmap file(4000, 3000);
    const hopplix::BmpPictureDecoder decoder;
    hopplix::PlayState play;
    for (auto _ : state) {
        hopplix::LevelSession session(decoder);
        if (!session.load(file.folder(), hopplix::Viewport{}, play).ok())
            state.SkipWithError("the level did not open");
        benchmark::DoNotOptimize(session.playfield().pixels().data());
    }
}
BENCHMARK(OpenLevel24Bit4000x3000)->Unit(benchmark::kMillisecond);

void StreamRle8Level(benchmark::State& state)
{
    streamRows(state, std::filesystem::path(HOPPLIX_LEVELS_DIR) / "4 Sprungbrett" / "Level.bmp");
}
BENCHMARK(StreamRle8Level)->Unit(benchmark::kMicrosecond);

} // namespace
