// Measurement files (.mes) as they lie on disk: the first byte picks the locale, the rest is
// the file's bytes, split into lines and decoded as the reader's file routine does.
#include <QByteArrayView>
#include <QStringList>
#include <cmath>

#include "data/measurement_file.h"
#include "fuzz_text_support.h"
#include "platform/textfile.h"

using namespace zenu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::useLocale(data[0] & 1);
    const QStringList lines =
        platform::splitTextLines(QByteArrayView(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    const MeasurementFileContent content = parseMeasurementFile(lines);

    // At most 5000 readings, one per line, each a finite value; errors name a line of the file.
    if (content.records.size() > 5000 || content.records.size() > static_cast<size_t>(lines.size()))
        __builtin_trap();
    if (content.tooManyReadings && content.records.size() != 5000) __builtin_trap();
    for (const MeasurementRecord& r : content.records)
        if (!std::isfinite(r.value) || r.unit.isEmpty()) __builtin_trap();
    int previous = 0;
    for (const MeasurementFileError& e : content.errors) {
        if (e.line <= previous || e.line > lines.size()) __builtin_trap();
        previous = e.line;
    }
    if (!content.errors.empty() && measurementFileErrorText(content, LanguageIndex, 3).isEmpty()) __builtin_trap();
    return 0;
}
