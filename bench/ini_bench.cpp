// The INI reader at the sizes the game meets: a level's config.ini read three times at each
// level start, and an update manifest read about four times per entry.

#include "common/Ini.h"
#include "common/Numbers.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::filesystem::path writeTemp(const std::string& name, const std::string& bytes)
{
    const auto path = std::filesystem::temp_directory_path() / ("hopplix-bench-" + std::to_string(::getpid()) + name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

void LevelStartReadsConfig(benchmark::State& state)
{
    const auto file = writeTemp("config.ini", "[Spieler]\r\nGr\xF6\xDF"
                                              "e=25%\r\n[Startposition]\r\nx=40\r\ny=120\r\n");
    for (auto _ : state) {
        benchmark::DoNotOptimize(hopplix::LiesINIWert(file, "Spieler", "Größe"));
        benchmark::DoNotOptimize(hopplix::LiesINIWert(file, "Startposition", "x"));
        benchmark::DoNotOptimize(hopplix::LiesINIWert(file, "Startposition", "y"));
    }
    std::filesystem::remove(file);
}
BENCHMARK(LevelStartReadsConfig);

void ManifestEntryReads(benchmark::State& state)
{
    const int entries = static_cast<int>(state.range(0));
    std::string manifest;
    for (const char* section : {"Namen", "URL", "Pfad"}) {
        manifest += std::string("[") + section + "]\r\n";
        for (int i = 1; i <= entries; ++i)
            manifest += "Datei" + std::to_string(i) + "=http://updates.example.org/werkhof/Hopp/file"
                        + std::to_string(i) + ".bmp\r\n";
    }
    const auto file = writeTemp("updatedata.txt", manifest);
    const std::string key = "Datei" + std::to_string(entries);
    for (auto _ : state) {
        benchmark::DoNotOptimize(hopplix::HolINIString(file, "Namen", std::nullopt));
        benchmark::DoNotOptimize(hopplix::HolINIString(file, "Namen", key));
        benchmark::DoNotOptimize(hopplix::HolINIString(file, "URL", key));
        benchmark::DoNotOptimize(hopplix::HolINIString(file, "Pfad", key));
    }
    std::filesystem::remove(file);
}
BENCHMARK(ManifestEntryReads)->Arg(10)->Arg(1000);

void ReadsAStartCoordinate(benchmark::State& state)
{
    const auto format = hopplix::systemNumberFormat();
    for (auto _ : state)
        benchmark::DoNotOptimize(hopplix::textToNumber("1.234,5", format));
}
BENCHMARK(ReadsAStartCoordinate);

void WritesAStartCoordinate(benchmark::State& state)
{
    const auto format = hopplix::systemNumberFormat();
    double v = 700.0047247977;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hopplix::numberToText(v, format));
        v += 0.25;
    }
}
BENCHMARK(WritesAStartCoordinate);

void ReadsTheSystemNumberFormat(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(hopplix::systemNumberFormat());
}
BENCHMARK(ReadsTheSystemNumberFormat);

} // namespace
