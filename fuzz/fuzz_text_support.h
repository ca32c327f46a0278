#pragma once
// Shared by the fuzz targets that read files: the locale a file is read under.
#include <QLocale>

#include "texts/texts.h"
#include "platform/localefmt.h"

namespace zenu::fuzz {

// Dates and numbers in files are read in the locale's forms, so both are tried.
inline void useLocale(bool german) {
    static const QLocale germanLocale(QLocale::German, QLocale::Germany);
    static const QLocale englishLocale(QLocale::English, QLocale::UnitedStates);
    QLocale::setDefault(german ? germanLocale : englishLocale);
    platform::initLocale();
    LanguageIndex = german ? kLanguageGerman : kLanguageEnglish;
}

}  // namespace zenu::fuzz
