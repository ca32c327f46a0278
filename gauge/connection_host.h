#pragma once
// What the connection initialisation does to the main window. The window implements this;
// tests record the calls. Every call happens on the user-interface thread, in the order of
// the initialisation's steps.
#include <QString>

#include "gauge/battery.h"
#include "gauge/device_profiles.h"
#include "gauge/device_picture.h"
#include "gauge/identification.h"

namespace zenu {

class ConnectionHost {
public:
    virtual ~ConnectionHost() = default;

    // Hide the wait frame frmwait; show Waitmessage with the text and repaint it.
    virtual void showWaitMessage(const QString& text) = 0;
    // Place txtSpeicher (twips, points).
    virtual void placeReadingField(const ReadingFieldLayout& layout) = 0;
    // Only when the name identified a model: show or hide frmPic, colour it when a colour is given.
    virtual void showDeviceFrame(const DeviceFrame& frame) = 0;
    // Caption of lblName.
    virtual void showDeviceName(const QString& name) = 0;
    // Only for models with a picture: draw it into picVQ (file from the program folder),
    // show lblName when asked, and place txtSpeicher beside it when a layout is given.
    virtual void showDevicePicture(const DevicePicture& picture) = 0;
    // The main window's branding routine for the variant ("" for our own branding).
    virtual void applyBranding(const QString& variant) = 0;
    // Menus and limits dialog per profile; show picVQ; caption = display name, blank, version.
    virtual void applyProfile(const ProfileEffects& effects) = 0;
    // Show picRahmen; hide picBth and picUsb; empty optFE's caption; show MSFlex; hide cmdStop.
    virtual void prepareReadingView() = 0;
    // The three reading tables were emptied and the online counter set to 1 (currentTable 2,
    // readingIndex 1): show the empty grid.
    virtual void readingTablesCleared() = 0;
    virtual void clearClipboard() = 0;
    // Voreinstellungen(action): "SL" and "TL" here.
    virtual void loadSettings(const QString& action) = 0;
    // Start the keyboard-event target application once, if that function is on.
    virtual void startKeyboardEventTarget() = 0;
    // Show FrameWerte, FrameStatistik, FrameBefehle, cmdProjekt and cmdWerte.
    virtual void showCommandFrames() = 0;
    // BattIcon and lblBatterie (nothing is shown when symbol.shown is false).
    virtual void showBattery(const BatterySymbol& symbol) = 0;
    // The initialisation stopped: show the message (the log already says why).
    virtual void initialisationFailed(const QString& message) = 0;
};

// A host that shows nothing: tools without a window (zenu-cli, benchmarks). It keeps the
// message of a failed initialisation.
class QuietConnectionHost : public ConnectionHost {
public:
    void showWaitMessage(const QString&) override {}
    void placeReadingField(const ReadingFieldLayout&) override {}
    void showDeviceFrame(const DeviceFrame&) override {}
    void showDeviceName(const QString&) override {}
    void showDevicePicture(const DevicePicture&) override {}
    void applyBranding(const QString&) override {}
    void applyProfile(const ProfileEffects&) override {}
    void prepareReadingView() override {}
    void readingTablesCleared() override {}
    void clearClipboard() override {}
    void loadSettings(const QString&) override {}
    void startKeyboardEventTarget() override {}
    void showCommandFrames() override {}
    void showBattery(const BatterySymbol&) override {}
    void initialisationFailed(const QString& text) override { message = text; }

    QString message;
};

}  // namespace zenu
