#pragma once
// The program's fixed colours.
#include <QColor>

namespace zenu::colours {

inline const QColor kTable1{204, 204, 204};   // row marking
inline const QColor kTable2{255, 255, 255};   // row marking
inline const QColor kDarkGreen{0, 100, 0};    // battery full
inline const QColor kOrange{255, 165, 0};     // battery half
inline const QColor kFrameQX{32, 157, 188};   // device frame, QX models
inline const QColor kFrameKV{214, 61, 61};    // device frame, KV4
inline const QColor kFrameWB{234, 240, 67};   // device frame, WB2
inline const QColor kBrand1{0, 76, 151};
inline const QColor kBrand2{22, 139, 200};
inline const QColor kBrand3{0, 139, 156};

}  // namespace zenu::colours
