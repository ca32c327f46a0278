#include "gauge/device_picture.h"

#include <array>

namespace zenu {
namespace {

struct PictureRow {
    const char* code;
    const char* file;
    bool stretched;
};

constexpr std::array<PictureRow, 9> kPictures{{
    {"QX", "QX.png", false},
    {"KV4", "KV4000.png", false},
    {"KV6", "KV6000.png", false},
    {"JZ", "JZ.png", false},
    {"WB2", "WB470.png", false},
    {"XK", "XK.png", false},
    {"VQB", "VQ.gif", true},
    {"WB1", "WB.gif", true},
    {"KV8", "KV.gif", true},
}};

}  // namespace

ReadingFieldLayout textDisplayLayout() {
    ReadingFieldLayout layout;
    layout.left = 2780;
    layout.top = 300;
    layout.width = 1450;
    layout.height = 400;
    layout.background = Rgb{64, 64, 64};
    layout.systemWindowForeground = true;
    return layout;
}

ReadingFieldLayout besidePictureLayout() {
    ReadingFieldLayout layout;
    layout.left = 1400;
    layout.top = 650;
    layout.width = 2500;
    layout.height = 400;
    layout.background = Rgb{120, 127, 122};
    layout.foreground = Rgb{0, 0, 0};
    return layout;
}

DevicePicture devicePictureFor(const QString& deviceCode, const QString& brandingVariant) {
    DevicePicture picture;
    for (const PictureRow& row : kPictures) {
        if (deviceCode != QLatin1String(row.code)) continue;
        picture.file = QLatin1String(row.file);
        picture.stretched = row.stretched;
        if (!row.stretched) {
            picture.readingField = besidePictureLayout();
            if (!brandingVariant.isEmpty()) {
                picture.file = QStringLiteral("leer.png");
                picture.showNameLabel = true;
            }
        }
        break;
    }
    return picture;
}

}  // namespace zenu
