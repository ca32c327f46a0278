#include "reports/key_sender.h"

#include <QTimer>

#include "data/text_align.h"
#include "platform/localefmt.h"
#include "platform/translog.h"

namespace zenu {

using platform::FrontResult;
using platform::KeyOutputSupport;

bool collectsKeys(const QString& targetPath) {
    return targetPath.toLower().contains(QLatin1String("notepad"));
}

QList<KeyCall> readingKeyCalls(const MeasurementRecord& reading, const KeyboardEventSettings& settings) {
    const QString fields = settings.KeyFields.isEmpty() ? QStringLiteral("0000") : settings.KeyFields;
    const auto on = [&](int position) { return fields.mid(position - 1, 1) == QLatin1String("1"); };
    const QLatin1Char blank(' ');
    QStringList pieces;
    if (on(1)) pieces << Ausrichten(7, QString::number(reading.number), QStringLiteral(" "), false);
    if (on(2)) pieces << blank + reading.dateText;
    pieces << blank + platform::numberToText(reading.value);
    if (on(3)) pieces << blank + reading.unit;
    if (on(4)) pieces << blank + reading.method;
    const bool enter = settings.KeyLineEnd == QLatin1String("ENTER");

    QList<KeyCall> calls;
    if (collectsKeys(settings.KeyTargetPath)) {
        calls << KeyCall{pieces.join(QString()), enter};
        return calls;
    }
    for (const QString& piece : pieces) calls << KeyCall{piece, false};
    if (enter) calls << KeyCall{QString(), true};
    return calls;
}

KeySender::KeySender(std::unique_ptr<platform::KeyboardOutput> output, KeyboardEventSettings& settings)
    : output_(std::move(output)), settings_(settings) {}

void KeySender::problem(Problem kind, const QString& detail) {
    if (onProblem_) onProblem_(kind, output_->support(), detail);
}

bool KeySender::startTarget() {
    const QString path = settings_.KeyTargetPath.trimmed();
    if (!settings_.KeyEventsEnabled || path.isEmpty()) return false;
    if (settings_.KeyTargetStarted) return true;
    if (output_->support() != KeyOutputSupport::Available) {
        WriteLog(QStringLiteral("Tastaturevent: keine X11-Anzeige"));
        if (!unsupportedTold_) problem(Problem::Unsupported, {});
        unsupportedTold_ = true;
        return false;
    }
    QString error;
    const qint64 pid = output_->start(path, &error);
    if (pid <= 0) {
        WriteLog(QStringLiteral("Tastaturevent: ") + path + QStringLiteral(" nicht gestartet: ") + error);
        problem(Problem::StartFailed, error);
        return false;
    }
    settings_.KeyTargetStarted = true;
    settings_.KeyTargetTaskId = static_cast<int32_t>(pid);
    WriteLog(QStringLiteral("Tastaturevent: ") + path + QStringLiteral(" gestartet, PID ") + QString::number(pid));
    return true;
}

void KeySender::send(const MeasurementRecord& reading, int table) {
    if (table != kTableOnline || !settings_.KeyEventsEnabled) return;
    queue_.push_back(reading);
    if (sending_ || scheduled_) return;
    scheduled_ = true;
    QTimer::singleShot(0, &context_, [this] { drain(); });
}

void KeySender::drain() {
    scheduled_ = false;
    // Waiting for the target's window and a message box both handle events, and so may hand
    // us the next reading: it joins the queue instead of typing into the middle of this one.
    if (sending_) return;
    sending_ = true;
    while (!queue_.empty()) {
        const MeasurementRecord next = queue_.front();
        queue_.pop_front();
        sendOne(next);
    }
    sending_ = false;
}

void KeySender::sendOne(const MeasurementRecord& reading) {
    // Nothing runs to type into: its start failed or it ended, and the user was told then.
    if (!settings_.KeyEventsEnabled || !settings_.KeyTargetStarted) return;
    const FrontResult front = output_->bringToFront(settings_.KeyTargetTaskId);
    if (front == FrontResult::Gone) {
        // Told once; OK in the dialog or the next connection starts the application again.
        settings_.KeyTargetStarted = false;
        settings_.KeyTargetTaskId = 0;
        WriteLog(QStringLiteral("Tastaturevent: ") + settings_.KeyTargetPath + QStringLiteral(" beendet"));
        queue_.clear();
        problem(Problem::TargetGone, settings_.KeyTargetPath);
        return;
    }
    if (front != FrontResult::Ready) {
        WriteLog(QStringLiteral("Tastaturevent: Fenster nicht erreicht (%1)").arg(static_cast<int>(front)));
        return;
    }
    for (const KeyCall& call : readingKeyCalls(reading, settings_)) {
        if (!output_->sendKeys(call.text, call.enter)) {
            WriteLog(QStringLiteral("Tastaturevent: Tasten nicht gesendet"));
            return;
        }
    }
}

}  // namespace zenu
