#pragma once
// The three text tables of the user interface (captions, messages, statistics labels),
// German and English side by side, looked up by text number and the current language.
#include <QString>

namespace zenu {

// 0 German, 1 English. Changed only by the language menu and the language settings file.
extern int LanguageIndex;

constexpr int kLanguageGerman = 0;
constexpr int kLanguageEnglish = 1;

// Program name and version as the title bar and message 14 show them.
inline constexpr const char* kDisplayName = "Zenu Connect";
inline constexpr const char* kVersionText = "V1.28";
QString programTitle();

// Numbers not in a table give an empty text. A language other than 0 or 1 counts as English.
QString captionText(int number, int language);
QString messageText(int number, int language);
QString statisticsLabel(int number, int language);

// The same for the current LanguageIndex.
inline QString captionText(int number) { return captionText(number, LanguageIndex); }
inline QString messageText(int number) { return messageText(number, LanguageIndex); }
inline QString statisticsLabel(int number) { return statisticsLabel(number, LanguageIndex); }

// Short aliases used throughout the windows: C(50), M(13), S(4).
inline QString C(int number) { return captionText(number); }
inline QString M(int number) { return messageText(number); }
inline QString S(int number) { return statisticsLabel(number); }

}  // namespace zenu
