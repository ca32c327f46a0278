#pragma once
// A throw-away home for one test: XDG folders in a temporary directory, paths formed anew,
// German locale and language, no gauge identity.
#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "platform/localefmt.h"
#include "platform/paths.h"

namespace zenu::testing {

class TempHome {
public:
    explicit TempHome(QLocale locale = QLocale(QLocale::German, QLocale::Germany)) {
        qputenv("XDG_CONFIG_HOME", (dir_.path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (dir_.path() + QStringLiteral("/data")).toUtf8());
        QLocale::setDefault(locale);
        platform::initLocale();
        platform::initPaths();
        LanguageIndex = kLanguageGerman;
        resetGaugeIdentity();
    }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return AppDataPath + QLatin1Char('/') + name; }

private:
    QTemporaryDir dir_;
};

}  // namespace zenu::testing
