#pragma once
// What the main window shows for an identified gauge: the device picture in picVQ and the
// place of the reading field txtSpeicher.
#include <QString>
#include <optional>

#include "data/rgb.h"

namespace zenu {

// Position, size (twips), colours and font size of the reading field txtSpeicher.
struct ReadingFieldLayout {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::optional<Rgb> background;
    bool systemWindowForeground = false;  // fore colour: the system colour of window backgrounds
    Rgb foreground;
    int fontPoints = 12;
    friend bool operator==(const ReadingFieldLayout&, const ReadingFieldLayout&) = default;
};
// The text display once the device information is in (dark field, light text).
ReadingFieldLayout textDisplayLayout();
// Beside a device picture.
ReadingFieldLayout besidePictureLayout();

// The device picture of a model (file names only: the window finds them in the program
// folder and draws them).
struct DevicePicture {
    QString file;                // "" when the model has no picture: leave picVQ as it is
    bool stretched = false;      // painted scaled into picVQ; otherwise picVQ takes its size
    bool showNameLabel = false;  // a branded gauge shows its name in lblName instead
    std::optional<ReadingFieldLayout> readingField;  // place txtSpeicher beside the picture
};
DevicePicture devicePictureFor(const QString& deviceCode, const QString& brandingVariant);

}  // namespace zenu
