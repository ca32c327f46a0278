#pragma once
// The gauges' unit vocabulary: canonical spellings, normalisation of what gauges send, and
// conversion of readings between units.
//
// Canonical spellings use the micro sign U+00B5 ("µ") and the middle dot U+00B7 ("·"):
//   coating thickness "µm" "mils"; field strength "A/cm" "kA/m" "A/m" "Oe";
//   flux density "mT" "µT" "T" "G" "kG" "mG"; permeability "µr"; ferrite "FN" "Fe%";
//   magnetic flux "µVs" "mVs" "µWb" "mWb", each also with "/n" and "·cm".
#include <QString>

namespace zenu {

// Source unit of the flux reading being converted (kind "MF" only). Set per reading by the
// decoders; ConvertUnit empties it after every conversion it performs.
extern QString fluxSourceUnit;

// Canonical spelling of a unit text as a gauge sends it. Knows the Windows reading of UTF-8
// ("Î¼T", "Î¼VsÂ·cm") as well as the Greek small mu U+03BC ("μT") that our own link
// delivers; with a probe type starting "1", "metric" and "imperial" become "µm" and "mils".
QString NormalizeUnit(const QString& unit);

// value, measured in the source unit of the connected gauge's kind (deviceKind; "MF" uses
// fluxSourceUnit), converted to targetUnit. Unknown pairs keep the value. Ferrite content
// uses the FN/Fe% formulas; an Fe% value beyond their range raises ConversionError.
double ConvertUnit(double value, const QString& targetUnit);

// The source unit ConvertUnit would use now ("" when there is none).
QString conversionSourceUnit();

// The conversion factor of a pair, or 0 when the pair is not listed (ferrite excluded).
double unitFactor(const QString& source, const QString& target);

}  // namespace zenu
