#pragma once
// Capability profile and measurement kind of each gauge model, by the program's model code.
#include <QString>

namespace zenu {

// The seven profile characters of a model code (the code is trimmed and only its first three
// characters are compared, so "KV6 " and "KV6000" are "KV6"). "" for a code we do not know;
// callers then keep the profile they had.
QString deviceProfileFor(const QString& code);

// Measurement kind of a model code: "SM", "FM", "PM", "FC", "MF", or "" when unknown.
QString deviceKindFor(const QString& code);

}  // namespace zenu

namespace zenu {

// What a profile switches in the windows.
struct ProfileEffects {
    bool clockMenu = false;           // field 2 "L": mnuSetTime visible and enabled
    bool bluetoothLinkSymbol = false; // field 2 "L": picBth is the link symbol, else picUsb
    bool keyboardEventMenu = true;    // field 3 "V" hides and disables mnuTastaturevent
    bool rule8020 = true;             // field 5 "-" hides chk8020 and cmdInfo of the limits dialog
    friend bool operator==(const ProfileEffects&, const ProfileEffects&) = default;
};
ProfileEffects profileEffects(const QString& profile);

}  // namespace zenu
