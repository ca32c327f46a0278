#pragma once
// The keyboard-event dialog: whether each online reading is typed into another application,
// which application, which fields and the line end. It shows the program's keyboard-event
// settings; OK stores and saves them and starts the application, closing by the window
// frame discards the changes.
#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zenu {

class FrmTastatur : public QDialog {
    Q_OBJECT
public:
    explicit FrmTastatur(QWidget* parent = nullptr);

    // Captions and control states from the settings.
    void Form_Activate();
    // The file-open dialog; the chosen file replaces the field's text.
    void txtAnwendung_Click();
    // Store, save ("TS"), start the application when needed, close.
    void cmdOk_Click();

    // Set by the window: saves the settings ("TS"); starts the application they name.
    std::function<void()> saveSettings;
    std::function<void()> startTarget;

    QGroupBox* frmTastatur = nullptr;
    QLabel* lblTE = nullptr;
    QCheckBox* chkTastatur = nullptr;
    QLabel* lblAnwendung = nullptr;
    QLineEdit* txtAnwendung = nullptr;
    QGroupBox* frmWerte = nullptr;
    QCheckBox* chkNr = nullptr;
    QCheckBox* chkDatum = nullptr;
    QCheckBox* chkEinheit = nullptr;
    QCheckBox* chkMaterial = nullptr;
    QGroupBox* frmZeilenEnde = nullptr;
    QRadioButton* optKeins = nullptr;
    QRadioButton* optEnter = nullptr;
    QPushButton* cmdOk = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace zenu
