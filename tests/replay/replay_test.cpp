// hopplix-replay on small levels painted here; the expected lines are worked out from the
// rules by hand (15 twips per pixel, a 60-twip player, ground in pixel row 20 = 292.5 twips).

#include "game/level_text.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A 24-bit Windows bitmap from rows of text art, one character per pixel.
void writeBitmap(const fs::path& file, const std::vector<std::string>& rows)
{
    const auto width = static_cast<uint32_t>(rows.front().size());
    const auto height = static_cast<uint32_t>(rows.size());
    const uint32_t stride = (width * 3 + 3) / 4 * 4;
    std::string data;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) { // bottom-up
        std::string line;
        for (char c : *row) {
            const uint32_t colour = hopplix::test::colourOf(c); // 0x00BBGGRR: blue, green, red on disk
            line += {static_cast<char>(colour >> 16), static_cast<char>(colour >> 8), static_cast<char>(colour)};
        }
        line.resize(stride, '\0');
        data += line;
    }
    std::string header;
    auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    header += "BM";
    put(54 + static_cast<uint32_t>(data.size()), 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(width, 4);
    put(height, 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(static_cast<uint32_t>(data.size()), 4);
    put(3780, 4);
    put(3780, 4);
    put(0, 4);
    put(0, 4);
    std::ofstream(file, std::ios::binary) << header << data;
}

std::vector<std::string> level20x40(char ground)
{
    std::vector<std::string> rows(40, std::string(20, '.'));
    rows[20] = std::string(20, ground);
    return rows;
}

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }
};

class Replay : public ::testing::Test {
protected:
    fs::path level(const std::string& name, const std::vector<std::string>& rows, const std::string& config = "")
    {
        const fs::path folder = root / name;
        fs::create_directories(folder);
        writeBitmap(folder / "Level.bmp", rows);
        if (!config.empty())
            std::ofstream(folder / "config.ini", std::ios::binary) << config;
        return folder;
    }

    fs::path keys(const std::string& text)
    {
        const fs::path file = root / "keys.txt";
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    // Runs the tool, with one more variable in its environment when `variable` names one.
    Outcome replay(const std::string& arguments, std::pair<std::string, std::string> variable = {})
    {
        const fs::path errFile = root / "stderr.txt";
        std::string command;
        if (!variable.first.empty())
            command = "env " + variable.first + "=" + variable.second + " ";
        command += std::string("'") + HOPPLIX_REPLAY + "' " + arguments + " 2>'" + errFile.string() + "'";
        Outcome run;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr)
            return run;
        std::array<char, 4096> buffer{};
        size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            run.out.append(buffer.data(), n);
        const int status = ::pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream err(errFile);
        run.err.assign(std::istreambuf_iterator<char>(err), {});
        return run;
    }

    // A 20 x 40 level with its player at 20% of the client width (60 twips), drawn 1:1.
    std::string smallLevel(char ground)
    {
        return "--level '"
               + level("small", level20x40(ground),
                       "[Spieler]\nGr\xF6\xDF"
                       "e=20%\n")
                     .string()
               + "' --client 20x40";
    }

    hopplix::test::TempFolder scratch;
    const fs::path& root = scratch.path();
};

// The player falls from the corner: speeds 10, 20, ... move 12, 22, ... twips; the bottom edge
// at 300 reaches row 20 at Top 234.
const std::vector<std::string> fallFromTheCorner = {
    "window 300 600 client 300 600 player 60 start 0 0",
    "1 0 12 10 0 wwwwwwww",
    "2 0 34 20 0 wwwwwwww",
    "3 0 66 30 0 wwwwwwww",
    "4 0 108 40 0 wwwwwwww",
    "5 0 160 50 0 wwwwwwww",
    "6 0 222 60 0 wwwwwwww",
};

TEST_F(Replay, FlatGroundBouncesInANineTickCycle)
{
    const Outcome run = replay(smallLevel('#') + " --ticks 17");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> expected = fallFromTheCorner;
    expected.insert(expected.end(), {
                                        "7 0 234 70 0 wwwwsssw",    // landed on the corner probes
                                        "8 0 192 -40 -1 wwwwwwww",  // rise 42
                                        "9 0 160 -30 -1 wwwwwwww",  // 32
                                        "10 0 138 -20 -1 wwwwwwww", // 22
                                        "11 0 126 -10 -1 wwwwwwww", // 12
                                        "12 0 128 0 -1 wwwwwwww",   // fall 2
                                        "13 0 140 10 -1 wwwwwwww",  // 12
                                        "14 0 162 20 -1 wwwwwwww",  // 22
                                        "15 0 194 30 -1 wwwwwwww",  // 32
                                        "16 0 234 40 -1 wwwwsssw",  // land
                                        "17 0 192 -40 -1 wwwwwwww", // and again
                                    });
    EXPECT_EQ(run.lines(), expected);
}

TEST_F(Replay, SpaceOnTheGroundLeapsAndTheTopEdgeSendsThePlayerDown)
{
    const Outcome run =
        replay(smallLevel('#') + " --keys '" + keys(".\n.\n.\n.\n.\n.\n.\nS\n").string() + "' --ticks 11");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[8], "8 0 192 -110 0 wwwwwwww"); // bounced 42, then the leap speed
    EXPECT_EQ(lines[9], "9 0 90 -100 0 wwwwwwww");  // rose 102
    EXPECT_EQ(lines[10], "10 0 -2 -90 0 wwwwwwww"); // stopped above the top, unprobed
    EXPECT_EQ(lines[11], "11 0 10 10 0 wwwwwwww");  // forced down: 12 twips
}

TEST_F(Replay, RedFloorReturnsThePlayerToItsStart)
{
    const Outcome run = replay(smallLevel('r') + " --ticks 9");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[7], "7 0 234 70 0 wwwwrrrw");
    // Back at (0, 0); the surface rules still saw the red floor (bounce -50, leap flag), so the
    // player rose one step above the top, where nothing is probed.
    EXPECT_EQ(lines[8], "8 0 -2 -40 -1 wwwwrrrw death");
    EXPECT_EQ(lines[9], "9 0 10 10 -1 wwwwwwww");
}

TEST_F(Replay, GreenFloorEndsTheRun)
{
    const Outcome run = replay(smallLevel('g') + " --keys '" + keys("R\nR\n").string() + "' --ticks 50");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> expected = {
        "window 300 600 client 300 600 player 60 start 0 0",
        "1 35 12 10 0 wwwwwwww",
        "2 70 34 20 0 wwwwwwww",
        "3 70 66 30 0 wwwwwwww",
        "4 70 108 40 0 wwwwwwww",
        "5 70 160 50 0 wwwwwwww",
        "6 70 222 60 0 wwwwwwww",
        "7 70 234 70 0 wwwwgggw goal",
    };
    EXPECT_EQ(run.lines(), expected);
}

TEST_F(Replay, StartPositionComesFromTheConfigInPicturePixels)
{
    // x 10 * (300 / 529 * 1.75) * 15 = 148.865784499055; y 4 * (600 / 1058 * 1.75) * 15.
    const fs::path folder = level("start", level20x40('#'),
                                  "[Spieler]\nGr\xF6\xDF"
                                  "e=20%\n[Startposition]\nx=10\ny=4\n");
    const Outcome run = replay("--level '" + folder.string() + "' --client 20x40 --ticks 0");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "window 300 600 client 300 600 player 60 start 148.86578 59.546314\n");
}

struct WindowCase {
    const char* arguments;
    const char* header;
};

class ReplayWindow : public Replay, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(ReplayWindow, SizesTheWindowToThePictureAndScreen)
{
    // 640 x 480 pixels; the automatic player is a twentieth of the client height.
    const fs::path folder = level("wide", std::vector<std::string>(480, std::string(640, '.')));
    const Outcome run = replay("--level '" + folder.string() + "' --ticks 0 " + GetParam().arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, std::string(GetParam().header) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Screens, ReplayWindow,
                         ::testing::Values(
                             // 11288.67 x 8466.67 twips kept as 753 x 564 pixels.
                             WindowCase{"", "window 11295 8460 client 11295 8460 player 423 start 0 0"},
                             WindowCase{"--frame 6x25", "window 11295 8460 client 11205 8085 player 404.25 start 0 0"},
                             // 1024 x 768: 15105 wide, limited to 10320 high, then 917 pixels wide.
                             WindowCase{"--screen 1024x768",
                                        "window 13755 10320 client 13755 10320 player 516 start 0 0"},
                             // 120 dots per inch: 12 twips per pixel, PW 13547, PH 10160.
                             WindowCase{"--dpi 120", "window 9036 6768 client 9036 6768 player 338.4 start 0 0"}));

TEST_F(Replay, KeyScriptSetsTheNumberOfTicks)
{
    const Outcome run = replay(smallLevel('#') + " --keys '" + keys("L\r\n\r\nLRS\r\n").string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.lines().size(), 4u);
    EXPECT_EQ(replay(smallLevel('#')).lines().size(), 501u) << "500 ticks without a script";
}

struct ErrorCase {
    const char* what;
    const char* arguments; // after the level; {keys} is a script with a bad third line
    const char* message;
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.what; }

class ReplayErrors : public Replay, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ReplayErrors, PrintOneLineAndNothingElse)
{
    std::string arguments = GetParam().arguments;
    const std::string placeholder = "{keys}";
    if (const auto at = arguments.find(placeholder); at != std::string::npos)
        arguments.replace(at, placeholder.size(), "'" + keys("R\nLS\nRx\n").string() + "'");
    if (const auto at = arguments.find("{level}"); at != std::string::npos)
        arguments.replace(at, 7, "'" + level("ok", level20x40('#')).string() + "'");
    const Outcome run = replay(arguments);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("hopplix-replay: "), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one line: " << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ReplayErrors,
    ::testing::Values(ErrorCase{"no level", "--ticks 3", "--level DIR is required"},
                      ErrorCase{"missing level", "--level /nonexistent/level", "no Level.bmp in /nonexistent/level"},
                      ErrorCase{"bad key", "--level {level} --keys {keys}", ":3: unexpected character 'x'"},
                      ErrorCase{"missing key file", "--level {level} --keys /nonexistent/keys", "cannot read"},
                      ErrorCase{"bad screen", "--level {level} --screen 1280",
                                "--screen: '1280' is not of the form WxH"},
                      ErrorCase{"bad dpi", "--level {level} --dpi 0", "--dpi: '0'"},
                      ErrorCase{"bad ticks", "--level {level} --ticks -1", "--ticks: '-1'"},
                      ErrorCase{"unknown option", "--level {level} --speed 3", "unknown option '--speed'"},
                      ErrorCase{"missing value", "--level {level} --ticks", "--ticks needs a value"}));

TEST_F(Replay, PictureThatIsNoWindowsBitmapIsAnError)
{
    const fs::path folder = root / "broken";
    fs::create_directories(folder);
    std::ofstream(folder / "Level.bmp") << "\x89PNG\r\n\x1a\n";
    const Outcome run = replay("--level '" + folder.string() + "'");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "hopplix-replay: " + (folder / "Level.bmp").string() + ": not a Windows bitmap\n");
}

// Regression: the pixels a cut-off picture lacks were whatever memory held, so each run played
// another level.
TEST_F(Replay, CutOffPictureGivesTheSameResultWhateverMemoryHeld)
{
    const fs::path whole = level("whole", level20x40('#'));
    const std::string bytes = hopplix::test::readFile(whole / "Level.bmp");
    for (const std::size_t keep : {bytes.size() - 1, bytes.size() / 2, std::size_t{60}}) {
        const fs::path folder = root / ("cut" + std::to_string(keep));
        fs::create_directories(folder);
        std::ofstream(folder / "Level.bmp", std::ios::binary) << bytes.substr(0, keep);
        std::vector<Outcome> runs;
        for (const char* perturb : {"0", "170", "253"})
            runs.push_back(replay("--level '" + folder.string() + "' --ticks 20", {"MALLOC_PERTURB_", perturb}));
        for (const Outcome& run : runs) {
            EXPECT_EQ(run.exitCode, 2) << keep;
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, runs[0].err);
        }
        EXPECT_NE(runs[0].err.find("ends inside its pixel data"), std::string::npos) << runs[0].err;
    }
}

} // namespace
