#pragma once
// The record count the program appends to the caption of a table's option button: " (n)".
// Only that suffix is the program's; a file or memory name may hold brackets of its own
// ("Messung (2).mes (5)"), which stay part of the title.
#include <QString>

namespace zenu {

// The trailing " (n)" (n digits) of a caption; "" when it has none.
QString captionCount(const QString& caption);
// The caption without its trailing count.
QString captionTitle(const QString& caption);

}  // namespace zenu
