#pragma once
// The project dialog: six labelled free-text fields, a date and a time describing the job the
// readings belong to. It shows the program's project data and writes them back on save.
#include <QDialog>
#include <array>
#include <functional>

#include "data/project_data.h"

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace zenu {

class FrmProjekt : public QDialog {
    Q_OBJECT
public:
    explicit FrmProjekt(QWidget* parent = nullptr);

    // Captions from the text tables, labels and texts from the program's project data; an
    // unset date becomes today and the time the current time. Runs each time it is shown.
    void Form_Activate();
    // Today, 00:00 and six empty fields; nothing is stored until saved.
    void cmdLoeschen_Click();
    // The fields become the program's project data, `saveProject` stores them, and the
    // dialog closes.
    void cmdSpeichern_Click();

    // Stores the project data (the main window's settings routine, "PS").
    std::function<void()> saveProject;

    QGroupBox* FrameDaten = nullptr;
    QGroupBox* FrameBefehle = nullptr;
    std::array<QLabel*, kProjectFieldCount> lblFelder{};
    std::array<QLineEdit*, kProjectFieldCount> txtFelder{};
    QLabel* lblDatum = nullptr;
    QDateEdit* DTPDate = nullptr;
    QTimeEdit* DTPTime = nullptr;
    QPushButton* cmdSpeichern = nullptr;
    QPushButton* cmdLoeschen = nullptr;
};

}  // namespace zenu
