#pragma once
// A level written into a temporary program folder, and the forms opened on it.

#include "app/Forms.h"
#include "game/ui/Form1.h"
#include "launcher/ui/Form3.h"

#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace hopplix::bench {

// Kinds of floor: the player bounces on black ground or is thrown up by a launch pad.
enum class Floor { Ground, LaunchPad };

// A white picture of width x height pixels with its bottom eighth painted as the floor.
inline void writeLevel(const std::filesystem::path& programFolder, const std::string& name, int width, int height,
                       Floor floor)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(Qt::white);
    const QColor colour = floor == Floor::Ground ? QColor(0, 0, 0) : QColor(128, 0, 128);
    for (int y = height - height / 8; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, colour);
    const auto folder = programFolder / "Level" / name;
    std::filesystem::create_directories(folder);
    if (!image.save(QString::fromStdString((folder / "Level.bmp").string()), "BMP"))
        throw std::runtime_error("cannot write the level picture");
}

// Opens the level in the game window as the launcher's Start does.
inline Form1& openLevel(Forms& forms, const std::string& name)
{
    forms.form3().levelpfad = name;
    forms.form3().Spielerfarbe = "33023";
    Form1& game = forms.form1();
    game.Load();
    if (!game.isLoaded())
        throw std::runtime_error("the level did not open");
    game.Show();
    return game;
}

} // namespace hopplix::bench
