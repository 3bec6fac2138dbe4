#pragma once
// What the updater says to the player, in one place: the install steps and the update window
// both show these.

#include <string>
#include <string_view>

namespace hopplix {

inline constexpr std::string_view kUpdateQuestion = "Eine neuere Version von Hopplix ist verf\xC3\xBC"
                                                    "gbar, wollen sie updaten?";
inline constexpr std::string_view kUpdateQuestionTitle = "Update";
// The title of every failure's message box.
inline constexpr std::string_view kErrorTitle = "Error";
inline constexpr std::string_view kUpdateFailed = "Update fehlgeschlagen";
inline constexpr std::string_view kUpdateSucceeded = "Update erfolgreich!";
// The line above the bar: "Datei: " + what is downloading.
inline constexpr std::string_view kFileCaption = "Datei: ";

// A listed file that was refused or did not arrive.
inline std::string fileError(const std::string& name) { return "Updatefehler bei Datei '" + name + "'"; }

} // namespace hopplix
