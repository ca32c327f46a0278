#include "platform/bluetooth/pairing_request.h"

namespace zenu::bluetooth {

void PairingRequest::Deferral::complete() {
    std::call_once(once_, [this] {
        if (request_) request_->deferralCompleted();
    });
}

PairingRequest::PairingRequest(uint32_t pairingKind, std::string pin) : kind_(pairingKind), pin_(std::move(pin)) {}

void PairingRequest::accept() {
    std::lock_guard lock(m_);
    if (decided_) return;
    accepted_ = true;
}

void PairingRequest::accept(const std::string& pin) {
    std::lock_guard lock(m_);
    if (decided_) return;
    accepted_ = true;
    acceptedPin_ = pin;
}

std::shared_ptr<PairingRequest::Deferral> PairingRequest::getDeferral() {
    {
        std::lock_guard lock(m_);
        ++openDeferrals_;
    }
    return std::make_shared<Deferral>(shared_from_this());
}

void PairingRequest::setDecisionHandler(Decision decision) {
    std::unique_lock lock(m_);
    decision_ = std::move(decision);
    decideIfReady(lock);
}

void PairingRequest::handlersReturned() {
    std::unique_lock lock(m_);
    handlersDone_ = true;
    decideIfReady(lock);
}

void PairingRequest::deferralCompleted() {
    std::unique_lock lock(m_);
    if (openDeferrals_ > 0) --openDeferrals_;
    decideIfReady(lock);
}

void PairingRequest::decideIfReady(std::unique_lock<std::mutex>& lock) {
    if (decided_ || !handlersDone_ || openDeferrals_ > 0 || !decision_) return;
    decided_ = true;
    Decision decision = std::move(decision_);
    const bool accepted = accepted_;
    const std::string pin = acceptedPin_;
    lock.unlock();
    decision(accepted, pin);
}

}  // namespace zenu::bluetooth
