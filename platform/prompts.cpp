#include "platform/prompts.h"

namespace zenu {
namespace {

class SilentPrompts final : public UserPrompts {
public:
    MsgResult messageBox(const QString&, MsgButtons buttons, MsgIcon, const QString&) override {
        return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    bool printerDialog(QPrinter&) override { return false; }
};

SilentPrompts silent;
UserPrompts* installed = &silent;
QWidget* parentWidget = nullptr;

}  // namespace

UserPrompts& prompts() { return *installed; }
void setPrompts(UserPrompts* seam) { installed = seam ? seam : &silent; }
void setPromptParent(QWidget* parent) { parentWidget = parent; }
QWidget* promptParent() { return parentWidget; }

MsgResult MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) {
    return prompts().messageBox(text, buttons, icon, title.isEmpty() ? QStringLiteral("Zenu Connect") : title);
}

}  // namespace zenu
