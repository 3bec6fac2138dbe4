#pragma once
// A program folder in a temporary directory with levels drawn as text, the four forms on the
// headless window system, and helpers to start a level and drive the game window.

#include "app/Forms.h"
#include "forms/headless/HeadlessWindowSystem.h"
#include "game/level_text.h"
#include "game/ui/Form1.h"
#include "game/ui/Form2.h"
#include "launcher/ui/Form3.h"
#include "support/temp_folder.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace hopplix::test {

// "Größe" as a config.ini stores it, in Windows-1252.
inline const std::string kGroesse1252 = "Gr\xF6\xDF"
                                        "e";

// A 24-bit Windows bitmap of the picture, bottom-up as bitmaps are stored.
inline std::string bitmapOf(const Picture& picture)
{
    const auto rowBytes = static_cast<std::uint32_t>((picture.width * 3 + 3) / 4 * 4);
    const std::uint32_t dataBytes = rowBytes * static_cast<std::uint32_t>(picture.height);
    std::string bytes;
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    bytes += "BM";
    for (const auto& [value, size] : {std::pair{54 + dataBytes, 4},
                                      {0u, 4},
                                      {54u, 4},
                                      {40u, 4},
                                      {static_cast<std::uint32_t>(picture.width), 4},
                                      {static_cast<std::uint32_t>(picture.height), 4},
                                      {1u, 2},
                                      {24u, 2},
                                      {0u, 4},
                                      {dataBytes, 4},
                                      {3780u, 4},
                                      {3780u, 4},
                                      {0u, 4},
                                      {0u, 4}})
        put(value, size);
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t c = picture.pixels[static_cast<std::size_t>(y * picture.width + x)];
            bytes.push_back(static_cast<char>((c >> 16) & 0xFF)); // blue, green, red
            bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
            bytes.push_back(static_cast<char>(c & 0xFF));
        }
        bytes.append(rowBytes - static_cast<std::uint32_t>(picture.width * 3), '\0');
    }
    return bytes;
}

// A picture of one colour.
inline Picture plainPicture(int width, int height, std::uint32_t colour = 0xFFFFFF)
{
    return Picture{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), colour)};
}

class GameWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A frame of two pixels on each side, as Qt's offscreen platform draws it.
        windows().setFrame({4, 4});
        Services services = platform.services(folder_.path());
        if (WindowSystem* real = realWindowSystem())
            services.windows = real;
        forms_ = std::make_unique<Forms>(std::move(services), pictures_);
    }
    // A test on a real window system returns it here.
    virtual WindowSystem* realWindowSystem() { return nullptr; }

    void TearDown() override
    {
        forms_.reset();
        windows().runPending();
    }

    std::filesystem::path levelFolder(const std::string& name) const { return folder_.path() / "Level" / name; }

    // A level whose picture is the text, saved as a 24-bit bitmap, and an optional config.ini
    // (bytes as given).
    void writeLevel(const std::string& name, const std::vector<std::string>& rows, const std::string& config = {})
    {
        writeLevelPicture(name, pictureFromText(rows));
        if (!config.empty())
            writeFile(levelFolder(name) / "config.ini", config);
    }

    void writeLevelPicture(const std::string& name, const Picture& picture)
    {
        writeFile(levelFolder(name) / "Level.bmp", bitmapOf(picture));
    }

    void writeFile(const std::filesystem::path& file, const std::string& bytes)
    {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out << bytes;
    }

    // Hands the level to the game window as the launcher's Start does and opens it. The timer
    // is stopped so the test drives every tick itself; the window is on the screen, so ticks run.
    Form1& open(const std::string& name, const std::string& colour = "255")
    {
        forms().form3().levelpfad = name;
        forms().form3().Spielerfarbe = colour;
        Form1& game = forms().form1();
        game.Load();
        if (game.isLoaded()) {
            game.Timer1()->setEnabled(false);
            game.Show();
        }
        return game;
    }

    // The load step gave up: one critical message with this text, and the launcher is back
    // without a game or debug window.
    void expectLoadFailure(const std::string& text)
    {
        EXPECT_FALSE(game().isLoaded());
        ASSERT_EQ(platform.messages.shown.size(), 1u);
        EXPECT_EQ(platform.messages.shown[0].prompt, text);
        EXPECT_EQ(platform.messages.shown[0].style, mb::vbOKOnly + mb::vbCritical);
        EXPECT_EQ(platform.messages.shown[0].title, "Error");
        EXPECT_FALSE(debug().isLoaded());
        EXPECT_TRUE(launcher().isLoaded());
        EXPECT_TRUE(launcher().Visible());
    }

    // A key pressed and released in the active window, and what it posted.
    void tap(int key, int shift = 0)
    {
        windows().tapKey(key, shift);
        windows().runPending();
    }
    void pressEscape(int shift = 0) { tap(vk::Escape, shift); }

    void ticks(int count)
    {
        for (int i = 0; i < count && game().isLoaded(); ++i)
            game().Timer1_Timer();
    }

    Forms& forms() { return *forms_; }
    Form1& game() { return forms_->form1(); }
    Form2& debug() { return forms_->form2(); }
    Form3& launcher() { return forms_->form3(); }
    headless::HeadlessWindowSystem& windows() { return platform.windows; }

    TestPlatform platform;

private:
    TempFolder folder_;
    BmpPictureDecoder pictures_;
    std::unique_ptr<Forms> forms_;
};

} // namespace hopplix::test
