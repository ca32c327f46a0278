// The main window's battery symbol and its clock and information menu entries.
#include <QAction>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "app/battery_icon.h"
#include "gauge/battery.h"
#include "gauge/handshake_state.h"
#include "window_support.h"

using namespace zenu;
using zenu::testing::WindowTest;

namespace {

class BatteryAndMenus : public WindowTest {
protected:
    void TearDown() override {
        clearDeviceInformation();
        WindowTest::TearDown();
    }
};

struct BatteryCase {
    char family;
    double volts;
    const char* letter;  // "" when nothing is shown
    QRgb colour;
};

// Every pixel is either transparent or exactly the state's colour: no blurred edges.
bool crisp(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) != 0 && p != colour) return false;
        }
    return true;
}

}  // namespace

TEST_F(BatteryAndMenus, BatteryStatesAtTheThresholdsAreDrawnInTheirColours) {
    const BatteryCase cases[] = {
        {'5', 4.30, "J", qRgb(0, 100, 0)}, {'5', 4.29, "K", qRgb(255, 165, 0)}, {'5', 3.50, "L", qRgb(255, 0, 0)},
        {'4', 1.4, "J", qRgb(0, 100, 0)},  {'4', 1.1, "L", qRgb(255, 0, 0)},    {'5', 0.0, "", 0},
        {'7', 4.5, "", 0},
    };
    for (const BatteryCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.family << " " << c.volts);
        w().showBatterySymbol(batterySymbolFor(QLatin1Char(c.family), c.volts));
        const QString letter = QLatin1String(c.letter);
        EXPECT_EQ(w().BattIcon->accessibleDescription(), letter);
        EXPECT_EQ(w().BattIcon->property("batterySymbol").toString(), letter);
        EXPECT_EQ(w().BattIcon->isHidden(), letter.isEmpty());
        EXPECT_EQ(w().lblBatterie->isHidden(), letter.isEmpty());
        if (letter.isEmpty()) continue;

        const QImage image = w().BattIcon->pixmap().toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(crisp(image, c.colour));
        const int mid = image.height() / 2;
        EXPECT_EQ(image.pixel(0, mid), c.colour);  // outline
        // Left of the middle is charged unless empty; right of it only when full.
        const bool left = letter != QLatin1String("L");
        const bool right = letter == QLatin1String("J");
        EXPECT_EQ(qAlpha(image.pixel(image.width() / 4, mid)) != 0, left);
        EXPECT_EQ(qAlpha(image.pixel(image.width() * 3 / 4 - 4, mid)) != 0, right);
    }
    // Twice the pixels on a high-density screen, the same size on screen.
    const QPixmap sharp = batteryPixmap(batterySymbolFor(QLatin1Char('5'), 4.0), 2.0);
    EXPECT_EQ(sharp.size(), QSize(2 * kBatteryIconWidth, 2 * kBatteryIconHeight));
    EXPECT_EQ(sharp.deviceIndependentSize().toSize(), QSize(kBatteryIconWidth, kBatteryIconHeight));
    EXPECT_TRUE(crisp(sharp.toImage(), qRgb(255, 165, 0)));
}

TEST_F(BatteryAndMenus, InfoShowsTheVersionUntilAGaugeReportedItselfAndClockOpensTheClockDialog) {
    QStringList shown;
    w().runDialog = [&](QDialog& d) { shown << d.objectName(); };

    w().mnuInfo->trigger();
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(prompts.titles, QStringList{QStringLiteral("Version")});
    EXPECT_EQ(prompts.messages, QStringList{w().windowTitle()});

    DeviceInfo.hardwareInfo = QStringLiteral("H2");
    w().mnuInfo->trigger();
    DeviceInfo.hardwareInfo.clear();
    w().ConnectionChecked = true;
    w().mnuInfo->trigger();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("frmInfo"), QStringLiteral("frmInfo")}));
    EXPECT_EQ(prompts.messages.size(), 1);

    zenu::testing::CountingLink link;
    w().setGaugeLink(&link);
    w().mnuSetTime->trigger();
    EXPECT_EQ(shown.last(), QStringLiteral("frmTime"));
    w().setGaugeLink(nullptr);
}
