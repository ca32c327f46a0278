#pragma once
// The question a stack asks while it pairs: which ceremony (pairing kind), the PIN to show
// or confirm, and the answer (accept, with a PIN for ProvidePin). The answer may be given
// inside the handler or later from any thread through a deferral, so a handler on a worker
// thread can hand the question to the host thread and return at once.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace zenu::bluetooth {

class PairingRequest : public std::enable_shared_from_this<PairingRequest> {
public:
    class Deferral {
    public:
        explicit Deferral(std::shared_ptr<PairingRequest> request) : request_(std::move(request)) {}
        ~Deferral() { complete(); }
        Deferral(const Deferral&) = delete;
        Deferral& operator=(const Deferral&) = delete;
        // The answer is final; further calls do nothing.
        void complete();

    private:
        std::shared_ptr<PairingRequest> request_;
        std::once_flag once_;
    };

    PairingRequest(uint32_t pairingKind, std::string pin);

    uint32_t pairingKind() const { return kind_; }
    // The PIN to show or to confirm; "" when the user has to provide one.
    const std::string& pin() const { return pin_; }

    void accept();
    void accept(const std::string& pin);
    std::shared_ptr<Deferral> getDeferral();

    // ---- for stacks
    using Decision = std::function<void(bool accepted, const std::string& pin)>;
    // Runs once, when the handlers have returned and every deferral is complete.
    void setDecisionHandler(Decision decision);
    void handlersReturned();

private:
    void deferralCompleted();
    void decideIfReady(std::unique_lock<std::mutex>& lock);

    const uint32_t kind_;
    const std::string pin_;
    std::mutex m_;
    bool accepted_ = false;
    std::string acceptedPin_;
    int openDeferrals_ = 0;
    bool handlersDone_ = false;
    bool decided_ = false;
    Decision decision_;
};

}  // namespace zenu::bluetooth
