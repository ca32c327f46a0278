#pragma once
// A colour as plain numbers, so that the logic hands colours to the windows and reports
// without depending on widgets.
namespace zenu {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

}  // namespace zenu
