#include "platform/qt_prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace zenu {

MsgResult QtPrompts::messageBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) {
    QMessageBox box(promptParent());
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
        case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    switch (buttons) {
        case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes: return MsgResult::Yes;
        case QMessageBox::No: return MsgResult::No;
        case QMessageBox::Ok: return MsgResult::Ok;
        default: return MsgResult::Cancel;
    }
}

QString QtPrompts::openFileName(const QString& title, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(promptParent(), title, folder, filter);
}

QString QtPrompts::saveFileName(const QString& title, const QString& folder, const QString& filter,
                                const QString& defaultName) {
    const QString start = defaultName.isEmpty() ? folder : folder + QLatin1Char('/') + defaultName;
    return QFileDialog::getSaveFileName(promptParent(), title, start, filter);
}

bool QtPrompts::printerDialog(QPrinter& printer) {
    QPrintDialog dialog(&printer, promptParent());
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace zenu
