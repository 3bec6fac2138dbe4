#pragma once
// A level folder: the picture "Level.bmp" and the optional settings "config.ini", which may set
// the player's size ("Größe" in [Spieler]) and its start ("x" and "y" in [Startposition]). How
// the game finds and reads them, for the game, the level list and the checker alike.

#include "common/Numbers.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace hopplix {

inline constexpr std::string_view kLevelPictureName = "Level.bmp";
inline constexpr std::string_view kLevelConfigName = "config.ini";

// folder/Level.bmp and folder/config.ini, their names matched as Windows matches them
// (entryIgnoringCase): "LEVEL.BMP" or "Config.ini" will do.
std::filesystem::path levelImagePath(const std::filesystem::path& levelFolder);
std::filesystem::path levelConfigPath(const std::filesystem::path& levelFolder);
// Whether the folder holds a level picture, an ordinary file: what makes a folder a level.
bool hasLevelPicture(const std::filesystem::path& levelFolder);

// The three values a level's config.ini may set (empty when missing).
struct LevelSettings {
    std::string Groesse; // section "Spieler", key "Größe"
    std::string x;       // section "Startposition", key "x"
    std::string y;       // section "Startposition", key "y"
};
// Reads ("Spieler","Größe"), ("Startposition","x"), ("Startposition","y") in that order.
LevelSettings loadLevelSettings(const std::filesystem::path& configFile);

// How the game reads "Größe". Only Percent sets the size; every other verdict gives the player
// the automatic size, one twentieth of the base length.
enum class SizeVerdict {
    Automatic,     // empty, or "auto" in any case
    Percent,       // "N%" with 0 <= N < 100: N percent of the base length
    NotPercentage, // ends in '%', but what stands before it is no number
    Negative,      // "N%" with N below 0
    TooLarge,      // "N%" with N of 100 or more
    NoPercentSign, // anything else: no '%' at the end
};
struct PlayerSize {
    SizeVerdict verdict = SizeVerdict::Automatic;
    double percent = 0; // with Percent
};
PlayerSize readGroesse(std::string_view value, const NumberFormat& format);

// How the game reads a start coordinate "x" or "y", in the picture's pixels.
enum class CoordinateVerdict {
    Missing,   // empty: 0
    Number,    // read as it stands
    NotNumber, // 0
};
struct StartCoordinate {
    CoordinateVerdict verdict = CoordinateVerdict::Missing;
    double pixels = 0;
};
StartCoordinate readCoordinate(std::string_view value, const NumberFormat& format);

} // namespace hopplix
