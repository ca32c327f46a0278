#pragma once
// Fixed-width text for the grid, the statistics list and the memory list.
#include <QString>

namespace zenu {

// Right-aligns sText in maxLaenge characters by putting copies of the first character of
// sFuell in front (a blank when sFuell is empty). A longer text is cut to its left maxLaenge
// characters only when bKuerzen is set, otherwise returned unchanged.
QString Ausrichten(int maxLaenge, const QString& sText, const QString& sFuell, bool bKuerzen);

// Left-aligns: sText without leading and trailing blanks, padded with blanks and cut to
// exactly maxLaenge characters (none for a negative width).
QString AusrichtenL(int maxLaenge, const QString& sText);

}  // namespace zenu
