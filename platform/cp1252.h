#pragma once
// Windows-1252 ("ANSI") text: the encoding of every settings, measurement and CSV file,
// so files move unchanged between this program and its Windows ancestor.
#include <QByteArray>
#include <QString>

namespace zenu::platform {

// Characters that Windows-1252 cannot hold become '?', as Windows' own conversion does.
QByteArray encodeCp1252(QStringView text);
QString decodeCp1252(QByteArrayView bytes);

}  // namespace zenu::platform
