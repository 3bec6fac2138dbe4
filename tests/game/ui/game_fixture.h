#pragma once
// A program folder in a temporary directory with levels drawn as text, the four forms over
// fake platform services, and helpers to start a level and drive the game window.

#include "app/Forms.h"
#include "forms/ShapeWidget.h"
#include "game/level_text.h"
#include "game/ui/Form1.h"
#include "game/ui/Form2.h"
#include "game/ui/PlayfieldView.h"
#include "launcher/ui/Form3.h"
#include "support/test_services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace hopplix::test {

// "Größe" as a config.ini stores it, in Windows-1252.
inline const std::string kGroesse1252 = "Gr\xF6\xDF" "e";

inline QImage imageFromText(const std::vector<std::string>& rows)
{
    const Picture picture = test::pictureFromText(rows);
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t c = picture.pixels[static_cast<size_t>(y * picture.width + x)];
            image.setPixel(x, y, qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                                      static_cast<int>((c >> 16) & 0xFF)));
        }
    return image;
}

inline void processDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class GameWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        root_ = std::filesystem::path(folder_.path().toStdString());
        forms_ = std::make_unique<Forms>(platform.services(root_));
    }

    void TearDown() override
    {
        forms_.reset();
        processDeferredDeletes();
    }

    std::filesystem::path levelFolder(const std::string& name) const { return root_ / "Level" / name; }

    // A level whose picture is the text, saved as a 24-bit bitmap, and an optional config.ini
    // (bytes as given).
    void writeLevel(const std::string& name, const std::vector<std::string>& rows, const std::string& config = {})
    {
        writeLevelImage(name, imageFromText(rows));
        if (!config.empty())
            writeFile(levelFolder(name) / "config.ini", config);
    }

    void writeLevelImage(const std::string& name, const QImage& image, const char* format = "BMP")
    {
        std::filesystem::create_directories(levelFolder(name));
        ASSERT_TRUE(image.save(QString::fromStdString((levelFolder(name) / "Level.bmp").string()), format));
    }

    void writeFile(const std::filesystem::path& file, const std::string& bytes)
    {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out << bytes;
    }

    // Hands the level to the game window as the launcher's Start does and opens it. The real
    // timer is stopped so the test drives every tick itself; the window is on the screen, so
    // ticks run.
    Form1& open(const std::string& name, const std::string& colour = "255")
    {
        forms().form3().levelpfad = name;
        forms().form3().Spielerfarbe = colour;
        Form1& game = forms().form1();
        game.Load();
        if (game.isLoaded()) {
            game.Timer1()->stop();
            game.Show();
            waitUntilOnScreen(game);
        }
        return game;
    }

    static void waitUntilOnScreen(Form1& game)
    {
        ASSERT_TRUE(game.isLoaded());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(game.window(), 5000));
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

    // Escape, and the question it asks once the key's dispatch is over.
    void pressEscape(Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(game().window(), Qt::Key_Escape, modifiers);
        QCoreApplication::processEvents();
    }

    void ticks(int count)
    {
        for (int i = 0; i < count && game().isLoaded(); ++i)
            game().Timer1_Timer();
    }

    Forms& forms() { return *forms_; }
    Form1& game() { return forms_->form1(); }
    Form2& debug() { return forms_->form2(); }
    Form3& launcher() { return forms_->form3(); }

    TestPlatform platform;

private:
    QTemporaryDir folder_;
    std::filesystem::path root_;
    std::unique_ptr<Forms> forms_;
};

} // namespace hopplix::test
