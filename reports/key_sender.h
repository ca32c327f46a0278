#pragma once
// Keyboard events: each online reading typed into the application the user chose, as if the
// user typed it there. The keys of a reading and the start of the target follow the
// keyboard-event settings; the desktop's output (platform/key_events.h) does the typing.
#include <QList>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

#include "data/measurement_record.h"
#include "platform/key_events.h"
#include "reports/keyboard_settings.h"

namespace zenu {

// One send of keys: a text typed as it stands, then Return when `enter` is set.
struct KeyCall {
    QString text;
    bool enter = false;
    bool operator==(const KeyCall&) const = default;
};

// A target whose path contains "notepad" (any case) gets all keys of a reading in one send;
// plain editors are served the same way.
bool collectsKeys(const QString& targetPath);

// The keys for one reading, in this order: the number right-aligned in 7 columns (fields
// character 1), blank and date (2), blank and value in the locale's plain number form
// (always), blank and unit (3), blank and method (4), Enter (line end "ENTER"). In collect
// mode one call with all of it, else one call per piece.
QList<KeyCall> readingKeyCalls(const MeasurementRecord& reading, const KeyboardEventSettings& settings);

class KeySender {
public:
    enum class Problem {
        TargetGone,      // the started application has ended (detail: its path)
        StartFailed,     // the application could not be started (detail: the reason)
        Unsupported,     // this desktop cannot type into other applications
    };
    // Told to the user; may show a modal message (readings arriving meanwhile wait their turn).
    using ProblemHandler = std::function<void(Problem, platform::KeyOutputSupport, const QString& detail)>;

    explicit KeySender(std::unique_ptr<platform::KeyboardOutput> output,
                       KeyboardEventSettings& settings = KeyEvents);

    void setProblemHandler(ProblemHandler handler) { onProblem_ = std::move(handler); }
    platform::KeyOutputSupport support() const { return output_->support(); }

    // Starts the target when the function is on, a path is set and it has not been started
    // in this run (or since its path changed): keeps its process id. True when it runs now.
    bool startTarget();

    // The keys for a reading added to `table`: only online readings, only with the function
    // on. They are typed once the reading's handling is over (waiting for the target's window
    // handles events, and a reading arriving then would otherwise be stored into the slot of
    // the one being stored), in the order the readings came.
    void send(const MeasurementRecord& reading, int table);

private:
    void drain();
    void sendOne(const MeasurementRecord& reading);
    void problem(Problem kind, const QString& detail);

    std::unique_ptr<platform::KeyboardOutput> output_;
    KeyboardEventSettings& settings_;
    ProblemHandler onProblem_;
    std::deque<MeasurementRecord> queue_;
    bool sending_ = false;
    bool scheduled_ = false;
    QObject context_;  // the scheduled typing ends with this sender
    bool unsupportedTold_ = false;
};

}  // namespace zenu
