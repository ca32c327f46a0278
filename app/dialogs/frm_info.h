#pragma once
// The information window: device, software, address, probe and memory-chip values that the
// gauge reported during the last connection initialisation.
#include <QDialog>

#include "gauge/device_info_view.h"

class QLabel;
class QLineEdit;

namespace zenu {

class FrmInfo : public QDialog {
    Q_OBJECT
public:
    explicit FrmInfo(QWidget* parent = nullptr);

    // Caption, labels and values from the program's gauge state; runs each time it is shown.
    void Form_Activate();
    // Caption and texts for the current LanguageIndex.
    void ApplyLanguage();
    void showTexts(const DeviceInfoTexts& texts);

    QLabel* lblGeraet = nullptr;
    QLineEdit* txtGeraet = nullptr;
    QLabel* lblGeraetSoft = nullptr;
    QLineEdit* txtGeraeteSoft = nullptr;
    QLabel* lblPCSoft = nullptr;
    QLineEdit* txtPCSoft = nullptr;
    QLabel* lblMacAdr = nullptr;
    QLineEdit* txtMacAdr = nullptr;
    QLabel* lblSondentyp = nullptr;
    QLineEdit* txtSondentyp = nullptr;
    QLabel* lblSondenversion = nullptr;
    QLineEdit* txtSondenversion = nullptr;
    QLabel* lblFlashbaustein = nullptr;
    QLineEdit* txtFlashbaustein = nullptr;
};

}  // namespace zenu
