#pragma once
// A colour the gauge Parts hand to the windows (device frame, reading field, battery symbol),
// as plain numbers so that the logic stays free of widgets.
namespace zenu {

struct RgbColour {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const RgbColour&, const RgbColour&) = default;
};

}  // namespace zenu
