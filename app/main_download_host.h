#pragma once
// What a memory read does to the main window.
#include "gauge/memory_download.h"

namespace zenu {

class FrmTransfer;

class MainDownloadHost : public DownloadHost {
public:
    explicit MainDownloadHost(FrmTransfer& window) : w_(window) {}

    void Block_Buttons() override;
    void Unblock_Buttons() override;
    void prepareMemoryTable() override;
    void setProgress(int value, int maximum) override;
    void showMemoryCaption(const QString& caption, const QString& memoryName) override;
    void memoryEmpty() override;
    void memoryEntryUpdated(const QString& entry) override;
    void focusMemoryTable() override;
    void switchToOnline() override;
    void message(const QString& text) override;
    ReadingSink& sink() override;

private:
    FrmTransfer& w_;
};

}  // namespace zenu
