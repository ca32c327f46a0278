#pragma once
// Which gauge model we are talking to, from its advertised name and serial number, and what
// the main window shows for it: device frame, device picture and the reading field beside it.
#include <QString>
#include <optional>

namespace zenu {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Frame colours behind the device picture.
inline constexpr Rgb kFrameColourQX{32, 157, 188};
inline constexpr Rgb kFrameColourKV{214, 61, 61};
inline constexpr Rgb kFrameColourWB{234, 240, 67};

// The coloured panel behind the device picture.
struct DeviceFrame {
    bool shown = false;
    std::optional<Rgb> colour;  // none: keep the colour it has
    friend bool operator==(const DeviceFrame&, const DeviceFrame&) = default;
};

struct Identification {
    bool matched = false;   // some marker was found; otherwise keep the earlier gauge's values
    QString deviceCode;
    QString kind;
    DeviceFrame frame;
    QString brandingVariant;  // as chosen by the name and the serial number
};

// Searches the name for every model marker in turn (later matches overwrite earlier ones),
// then applies the serial-number rule: serials 7000 to 7999 are BrandA gauges whatever their
// name. `brandingVariant` starts from `currentBranding`.
Identification identifyGauge(const QString& deviceName, const QString& serialNumber,
                             const QString& currentBranding = QString());

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
// The text display after device information is in (dark field, light text).
ReadingFieldLayout textDisplayLayout();
// Beside a device picture.
ReadingFieldLayout besidePictureLayout();

// The device picture of a model (file names only: the window finds them with
// platform::findProgramFile and draws them).
struct DevicePicture {
    QString file;              // "" when the model has no picture: leave picVQ as it is
    bool stretched = false;    // painted scaled into picVQ; otherwise picVQ takes its size
    bool showNameLabel = false;  // a branded gauge shows its name in lblName instead
    std::optional<ReadingFieldLayout> readingField;  // place txtSpeicher beside the picture
};
DevicePicture devicePictureFor(const QString& deviceCode, const QString& brandingVariant);

}  // namespace zenu
