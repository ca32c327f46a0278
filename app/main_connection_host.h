#pragma once
// What the connection initialisation does to the main window.
#include "gauge/connection_host.h"

namespace zenu {

class FrmTransfer;

class MainConnectionHost : public ConnectionHost {
public:
    explicit MainConnectionHost(FrmTransfer& window) : w_(window) {}

    void showWaitMessage(const QString& text) override;
    void placeReadingField(const ReadingFieldLayout& layout) override;
    void showDeviceFrame(const DeviceFrame& frame) override;
    void showDeviceName(const QString& name) override;
    void showDevicePicture(const DevicePicture& picture) override;
    void applyBranding(const QString& variant) override;
    void applyProfile(const ProfileEffects& effects) override;
    void prepareReadingView() override;
    void readingTablesCleared() override;
    void clearClipboard() override;
    void loadSettings(const QString& action) override;
    void startKeyboardEventTarget() override;
    void showCommandFrames() override;
    void showBattery(const BatterySymbol& symbol) override;
    void initialisationFailed(const QString& message) override;

private:
    FrmTransfer& w_;
};

}  // namespace zenu
