#pragma once
// The limits dialog: minimum limit, maximum limit, target value and the 80/20 rule. It edits a
// copy of the program's limits and hands them back only when closed with its save button.
#include <QDialog>

#include "data/limits.h"
#include "data/limits_input.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zenu {

class FrmWerte : public QDialog {
    Q_OBJECT
public:
    explicit FrmWerte(QWidget* parent = nullptr);

    // Captions, the three values and the 80/20 box from the program's limits; runs each time
    // the dialog is shown.
    void Form_Activate();
    // Checks a box's text (see validateLimitText); false keeps the focus in the box.
    bool txtMinLimit_Validate();
    bool txtMaxLimit_Validate();
    bool txtSoll_Validate();
    void chk8020_Click();
    void cmdLoeschen_Click();
    // Pending input is checked first; accepted input becomes the program's limits with
    // LimitsSaved set, and the dialog closes.
    void cmdSpeichern_Click();
    void cmdInfo_Click();

    // The values being edited.
    const LimitSettings& limits() const { return limits_; }

    QGroupBox* Frame1 = nullptr;
    QLabel* lblMinLimit = nullptr;
    QLabel* lblMaxLimit = nullptr;
    QLabel* lblSoll = nullptr;
    QLineEdit* txtMinLimit = nullptr;
    QLineEdit* txtMaxLimit = nullptr;
    QLineEdit* txtSoll = nullptr;
    QCheckBox* chk8020 = nullptr;
    QPushButton* cmdSpeichern = nullptr;
    QPushButton* cmdLoeschen = nullptr;
    QPushButton* cmdInfo = nullptr;

private:
    bool validate(QLineEdit* box, LimitField field);
    void showMessages(const QStringList& messages);
    QLineEdit* boxOf(LimitField field) const;

    LimitSettings limits_;
    bool dirty_[3] = {false, false, false};
    bool validating_ = false;
};

}  // namespace zenu
