#pragma once
// The one seam for everything that asks the user: message boxes, file dialogs and the printer
// dialog. Windows install the Qt implementation; tests install scripted answers.
#include <QString>

class QPrinter;
class QWidget;

namespace zenu {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Question, Warning, Critical };
// Values as the Windows message box returns them.
enum class MsgResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    virtual MsgResult messageBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) = 0;
    // "" when the user cancels.
    virtual QString openFileName(const QString& title, const QString& folder, const QString& filter) = 0;
    virtual QString saveFileName(const QString& title, const QString& folder, const QString& filter,
                                 const QString& defaultName) = 0;
    // False when the user cancels.
    virtual bool printerDialog(QPrinter& printer) = 0;
};

// The installed seam; until one is installed, a silent one answers Ok / Cancel / "" / false.
UserPrompts& prompts();
// Installs a seam (not owned); nullptr restores the silent one.
void setPrompts(UserPrompts* seam);
// Parent widget for dialogs of the Qt implementation.
void setPromptParent(QWidget* parent);
QWidget* promptParent();

// Shortcut as the windows use it; the title defaults to the program's display name.
MsgResult MsgBox(const QString& text, MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None,
                 const QString& title = {});

}  // namespace zenu
