#include "gauge/device_profiles.h"

#include <array>

namespace zenu {
namespace {

struct ModelRow {
    const char* code;
    const char* profile;  // family, clock/link, online count, reading format, 80/20, date, decimals
    const char* kind;
};

constexpr std::array<ModelRow, 9> kModels{{
    {"VQB", "4LE2+-2", "SM"},
    {"QX", "5LE2+-2", "SM"},
    {"KV4", "5LE2--2", "FM"},
    {"KV6", "5LE---3", "FM"},
    {"KV8", "4LE2--2", "FM"},
    {"WB1", "4LE2+-2", "FC"},
    {"WB2", "5LE2+-1", "FC"},
    {"JZ", "5LE2--3", "PM"},
    {"XK", "5LE0--3", "MF"},
}};

const ModelRow* findModel(const QString& code) {
    const QString key = code.trimmed().left(3);
    for (const ModelRow& row : kModels) {
        if (key == QLatin1String(row.code)) return &row;
    }
    return nullptr;
}

}  // namespace

QString deviceProfileFor(const QString& code) {
    const ModelRow* row = findModel(code);
    return row ? QString::fromLatin1(row->profile) : QString();
}

QString deviceKindFor(const QString& code) {
    const ModelRow* row = findModel(code);
    return row ? QString::fromLatin1(row->kind) : QString();
}

ProfileEffects profileEffects(const QString& profile) {
    auto at = [&profile](int n) { return n <= profile.size() ? profile.at(n - 1) : QLatin1Char(' '); };
    ProfileEffects effects;
    effects.clockMenu = at(2) == QLatin1Char('L');
    effects.bluetoothLinkSymbol = effects.clockMenu;
    effects.keyboardEventMenu = at(3) != QLatin1Char('V');
    effects.rule8020 = at(5) != QLatin1Char('-');
    return effects;
}

}  // namespace zenu
