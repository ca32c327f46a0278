#include "gauge_support.h"

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/units.h"
#include "gauge/handshake_state.h"
#include "platform/localefmt.h"

namespace zenu::testing {

void useGaugeLocale(const QLocale& locale) {
    QLocale::setDefault(locale);
    platform::initLocale();
    LanguageIndex = locale.language() == QLocale::German ? kLanguageGerman : kLanguageEnglish;
}

void GaugeTest::SetUp() {
    useGaugeLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    resetHandshakeState();
    resetGaugeIdentity();
    setLiveReadingHandler({});
    for (int t = kTableMemory; t <= kTableOnline; ++t) Tables.clear(t);
    currentTable = kTableMemory;
    readingIndex = 1;
    onlineCounter = 1;
    fluxSourceUnit.clear();
}

void GaugeTest::TearDown() { setLiveReadingHandler({}); }

bool ScriptedGauge::writeCommand(const QString& command) {
    writes << command;
    if (failing_.contains(command)) return false;
    for (const Reply& r : script_.value(command)) pending_.push_back(r);
    return true;
}

WaitFunction ScriptedGauge::wait() {
    return [this](const std::function<bool()>& done, int timeoutMs) {
        timeouts << timeoutMs;
        while (!pending_.empty() && !done()) {
            const Reply r = pending_.front();
            pending_.pop_front();
            HandleGaugeValue(r.first, r.second);
        }
        return done();
    };
}

}  // namespace zenu::testing
