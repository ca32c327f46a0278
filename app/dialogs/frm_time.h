#pragma once
// The clock dialog: shows the gauge's date and time continuously and sets the gauge's clock to
// the computer's. While it is open the live readings are switched off; they are switched on
// again when it closes.
#include <QDateTime>
#include <QDialog>
#include <functional>

#include "gauge/command_transport.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zenu {

class GaugeLink;

class FrmTime : public QDialog {
    Q_OBJECT
public:
    explicit FrmTime(GaugeLink& link, WaitFunction wait = eventLoopWait(), QWidget* parent = nullptr);

    // Captions for the current LanguageIndex.
    void ApplyLanguage();
    // Runs each time the dialog is shown: readings off, then the clock loop until Escape, the
    // stop flag or a gauge that does not answer.
    void Form_Activate();
    // Sets the gauge's clock to clock(), then closes the dialog.
    void cmdAkt_Click();
    // Closing by the window or a caller: clock loop stopped, readings on again.
    void reject() override;

    bool clockRunning() const { return running_; }
    bool stopRequested() const { return stop_; }
    // How long each "$glt" reply is waited for.
    void setReplyTimeout(int ms) { replyTimeoutMs_ = ms; }

    // The computer's time that cmdAkt sends; tests fix it.
    std::function<QDateTime()> clock;
    // The fixed pauses of the dialog (milliseconds); the window handles events meanwhile.
    std::function<void(int ms)> pause;

    QLabel* lblDateTime = nullptr;
    QLineEdit* txtDateTime = nullptr;
    QLabel* lblDatelog = nullptr;
    QPushButton* cmdAkt = nullptr;

signals:
    void clockLoopEnded();

protected:
    void showEvent(QShowEvent* event) override;
    // Escape ends the clock loop but leaves the dialog open.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void runClockLoop();
    void readingsOnAgain();

    GaugeLink& link_;
    WaitFunction wait_;
    int replyTimeoutMs_ = kReplyTimeoutMs;
    bool stop_ = false;
    bool running_ = false;
    bool finishing_ = false;  // cmdAkt or the closing sequence is under way
};

}  // namespace zenu
