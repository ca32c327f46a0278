#pragma once
// The CSV options dialog: readings per line and the statistics columns at the line end. Its
// OK button hands the options to the save routine of the main window; closing it cancels.
// Nothing is remembered between uses.
#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zenu {

class FrmCSV : public QDialog {
    Q_OBJECT
public:
    explicit FrmCSV(QWidget* parent = nullptr);

    // Captions in the current language.
    void Form_Activate();
    // Checks the count; accepted input goes to `save`, then the dialog closes. Invalid input
    // shows a message and keeps the dialog open.
    void cmdOk_Click();

    // The count as accepted: numeric in the locale, above 0 and below 20, rounded to the nearest
    // whole number (halves to even). Returns 0 for input that is not accepted, which includes
    // entries rounding to 0: a count of 0 would leave nothing to write.
    static int acceptedCount(const QString& text);

    // Receives readings per line and the minimum, maximum and mean switches.
    std::function<void(int perLine, bool minimum, bool maximum, bool mean)> save;

    QGroupBox* Frame1 = nullptr;
    QLabel* lblCSV = nullptr;
    QGroupBox* frmAnzahl = nullptr;
    QLineEdit* txtAnzahl = nullptr;
    QGroupBox* frmStat = nullptr;
    QCheckBox* chkMin = nullptr;
    QCheckBox* chkMax = nullptr;
    QCheckBox* chkMittel = nullptr;
    QPushButton* cmdOk = nullptr;
};

}  // namespace zenu
