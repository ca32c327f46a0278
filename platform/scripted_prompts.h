#pragma once
// Test double for the prompt seam: records every question and answers from queues.
#include <QStringList>
#include <deque>

#include "platform/prompts.h"

namespace zenu {

class ScriptedPrompts final : public UserPrompts {
public:
    ScriptedPrompts() { setPrompts(this); }
    ~ScriptedPrompts() override { setPrompts(nullptr); }
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    // Answers are taken in order; with none queued a box answers Ok (or Yes) and dialogs cancel.
    std::deque<MsgResult> boxAnswers;
    std::deque<QString> fileAnswers;
    std::deque<bool> printerAnswers;

    QStringList messages;      // texts of the message boxes shown
    QStringList titles;        // their titles
    QStringList fileDialogs;   // "open:<folder>" or "save:<folder>/<default name>"

    MsgResult messageBox(const QString& text, MsgButtons buttons, MsgIcon, const QString& title) override {
        messages << text;
        titles << title;
        if (!boxAnswers.empty()) {
            const MsgResult r = boxAnswers.front();
            boxAnswers.pop_front();
            return r;
        }
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::Yes : MsgResult::Ok;
    }
    QString openFileName(const QString&, const QString& folder, const QString&) override {
        fileDialogs << QStringLiteral("open:") + folder;
        return takeFile();
    }
    QString saveFileName(const QString&, const QString& folder, const QString&, const QString& name) override {
        fileDialogs << QStringLiteral("save:") + folder + QLatin1Char('/') + name;
        return takeFile();
    }
    bool printerDialog(QPrinter&) override {
        if (printerAnswers.empty()) return false;
        const bool r = printerAnswers.front();
        printerAnswers.pop_front();
        return r;
    }

private:
    QString takeFile() {
        if (fileAnswers.empty()) return {};
        QString f = fileAnswers.front();
        fileAnswers.pop_front();
        return f;
    }
};

}  // namespace zenu
