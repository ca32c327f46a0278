#pragma once
// The prompt seam on real Qt dialogs.
#include "platform/prompts.h"

namespace zenu {

class QtPrompts final : public UserPrompts {
public:
    MsgResult messageBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) override;
    QString openFileName(const QString& title, const QString& folder, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& folder, const QString& filter,
                         const QString& defaultName) override;
    bool printerDialog(QPrinter& printer) override;
};

}  // namespace zenu
