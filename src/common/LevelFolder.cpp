#include "common/LevelFolder.h"

#include "common/Ini.h"
#include "common/NameCase.h"
#include "platform/FileAttributes.h"

namespace hopplix {

std::filesystem::path levelImagePath(const std::filesystem::path& levelFolder)
{
    return entryIgnoringCase(levelFolder, kLevelPictureName, EntryKind::File);
}

std::filesystem::path levelConfigPath(const std::filesystem::path& levelFolder)
{
    return entryIgnoringCase(levelFolder, kLevelConfigName, EntryKind::File);
}

bool hasLevelPicture(const std::filesystem::path& levelFolder) { return FileExists(levelImagePath(levelFolder)); }

LevelSettings loadLevelSettings(const std::filesystem::path& configFile)
{
    LevelSettings settings;
    settings.Groesse = LiesINIWert(configFile, "Spieler", "Größe");
    settings.x = LiesINIWert(configFile, "Startposition", "x");
    settings.y = LiesINIWert(configFile, "Startposition", "y");
    return settings;
}

PlayerSize readGroesse(std::string_view value, const NumberFormat& format)
{
    if (value.empty() || lowerName(value) == "auto")
        return {SizeVerdict::Automatic};
    if (value.back() != '%')
        return {SizeVerdict::NoPercentSign};
    const std::optional<double> percent = textToNumber(value.substr(0, value.size() - 1), format);
    if (!percent)
        return {SizeVerdict::NotPercentage};
    if (*percent < 0)
        return {SizeVerdict::Negative};
    if (*percent >= 100)
        return {SizeVerdict::TooLarge};
    // A percentage that is no number at all would give no usable player.
    if (!(*percent >= 0))
        return {SizeVerdict::NotPercentage};
    return {SizeVerdict::Percent, *percent};
}

StartCoordinate readCoordinate(std::string_view value, const NumberFormat& format)
{
    if (value.empty())
        return {};
    if (const std::optional<double> pixels = textToNumber(value, format))
        return {CoordinateVerdict::Number, *pixels};
    return {CoordinateVerdict::NotNumber};
}

} // namespace hopplix
