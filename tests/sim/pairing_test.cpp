// Pairing on the simulated stack: the ceremonies, answers from any thread, refusals, the
// timeout, and unpairing.
#include "sim_test_support.h"

using namespace simtest;

namespace {

std::shared_ptr<SimStack> pairingStack(uint32_t kind, const std::string& pin, int timeoutMs = 30000) {
    Scenario s = basicScenario();
    s.devices[0].pairing.canPair = true;
    s.devices[0].pairing.kind = kind;
    s.devices[0].pairing.pin = pin;
    s.devices[0].pairing.timeoutMs = timeoutMs;
    return makeStack(s);
}

constexpr uint32_t kAllKinds =
    pairing_kinds::kConfirmOnly | pairing_kinds::kProvidePin | pairing_kinds::kConfirmPinMatch;

}  // namespace

TEST(Pairing, ConfirmOnly) {
    auto stack = pairingStack(pairing_kinds::kConfirmOnly, "");
    auto device = connect(*stack);
    EXPECT_TRUE(device->pairing().canPair());
    EXPECT_FALSE(device->pairing().isPaired());
    Recorder<uint32_t> kinds;
    device->pairing().pairingRequested.add([&](const std::shared_ptr<PairingRequest>& r) {
        kinds.add(r->pairingKind());
        r->accept();
    });
    EXPECT_EQ(await(device->pairing().pairAsync(kAllKinds)).status, PairingStatus::Paired);
    EXPECT_EQ(kinds.items(), std::vector<uint32_t>{pairing_kinds::kConfirmOnly});
    EXPECT_NE(kinds.threads()[0], std::this_thread::get_id());
    EXPECT_TRUE(device->pairing().isPaired());
    EXPECT_TRUE(stack->paired(kDevice));
    EXPECT_EQ(await(device->pairing().pairAsync(kAllKinds)).status, PairingStatus::AlreadyPaired);
    EXPECT_EQ(await(device->pairing().unpairAsync()).status, UnpairingStatus::Unpaired);
    EXPECT_EQ(await(device->pairing().unpairAsync()).status, UnpairingStatus::AlreadyUnpaired);
    EXPECT_FALSE(device->pairing().isPaired());
}

TEST(Pairing, ProvidePinRightAndWrong) {
    auto stack = pairingStack(pairing_kinds::kProvidePin, "123456");
    auto device = connect(*stack);
    std::string shown = "x";
    std::string answer = "000000";
    device->pairing().pairingRequested.add([&](const std::shared_ptr<PairingRequest>& r) {
        shown = r->pin();
        r->accept(answer);
    });
    EXPECT_EQ(await(device->pairing().pairAsync(kAllKinds)).status, PairingStatus::AuthenticationFailure);
    EXPECT_EQ(shown, "");  // the user has to provide it
    answer = "123456";
    EXPECT_EQ(await(device->pairing().pairAsync(kAllKinds)).status, PairingStatus::Paired);
}

TEST(Pairing, ConfirmPinMatchShowsThePin) {
    auto stack = pairingStack(pairing_kinds::kConfirmPinMatch, "4711");
    auto device = connect(*stack);
    std::string shown;
    device->pairing().pairingRequested.add([&](const std::shared_ptr<PairingRequest>& r) {
        shown = r->pin();
        r->accept();
    });
    EXPECT_EQ(await(device->pairing().pairAsync(kAllKinds)).status, PairingStatus::Paired);
    EXPECT_EQ(shown, "4711");
}

TEST(Pairing, DeclinedByTheHandler) {
    auto stack = pairingStack(pairing_kinds::kConfirmOnly, "");
    auto device = connect(*stack);
    device->pairing().pairingRequested.add([](const std::shared_ptr<PairingRequest>&) {});
    EXPECT_EQ(await(device->pairing().pairAsync(kAllKinds)).status, PairingStatus::RejectedByHandler);
    EXPECT_FALSE(stack->paired(kDevice));
}

TEST(Pairing, AnswerFromAnotherThreadThroughADeferral) {
    auto stack = pairingStack(pairing_kinds::kConfirmOnly, "");
    auto device = connect(*stack);
    std::shared_ptr<PairingRequest> held;
    std::shared_ptr<PairingRequest::Deferral> deferral;
    std::mutex m;
    device->pairing().pairingRequested.add([&](const std::shared_ptr<PairingRequest>& r) {
        std::lock_guard lock(m);
        held = r;
        deferral = r->getDeferral();
    });
    auto op = device->pairing().pairAsync(kAllKinds);
    ASSERT_TRUE(eventually([&] {
        std::lock_guard lock(m);
        return deferral != nullptr;
    }));
    EXPECT_FALSE(op->wait(30ms));
    {
        std::lock_guard lock(m);
        held->accept();
        deferral->complete();
    }
    EXPECT_EQ(await(op).status, PairingStatus::Paired);
}

TEST(Pairing, UnansweredRequestTimesOut) {
    auto stack = pairingStack(pairing_kinds::kConfirmOnly, "", 60);
    auto device = connect(*stack);
    std::shared_ptr<PairingRequest::Deferral> deferral;
    device->pairing().pairingRequested.add(
        [&](const std::shared_ptr<PairingRequest>& r) { deferral = r->getDeferral(); });
    EXPECT_EQ(await(device->pairing().pairAsync(kAllKinds)).status, PairingStatus::AuthenticationTimeout);
    EXPECT_FALSE(stack->paired(kDevice));
}

TEST(Pairing, Refusals) {
    auto noHandler = pairingStack(pairing_kinds::kConfirmOnly, "");
    auto d1 = connect(*noHandler);
    EXPECT_EQ(await(d1->pairing().pairAsync(kAllKinds)).status, PairingStatus::RequiredHandlerNotRegistered);

    auto unsupported = pairingStack(pairing_kinds::kDisplayPin, "1");
    auto d2 = connect(*unsupported);
    d2->pairing().pairingRequested.add([](const std::shared_ptr<PairingRequest>& r) { r->accept(); });
    EXPECT_EQ(await(d2->pairing().pairAsync(kAllKinds)).status, PairingStatus::NoSupportedProfiles);

    auto plain = makeStack(basicScenario());
    auto d3 = connect(*plain);
    EXPECT_FALSE(d3->pairing().canPair());
    EXPECT_EQ(await(d3->pairing().pairAsync(kAllKinds)).status, PairingStatus::NotReadyToPair);

    Scenario forced = basicScenario();
    forced.devices[0].pairing.canPair = true;
    forced.devices[0].pairing.result = PairingStatus::PairingCanceled;
    auto forcedStack = makeStack(forced);
    auto d4 = connect(*forcedStack);
    EXPECT_EQ(await(d4->pairing().pairAsync(kAllKinds)).status, PairingStatus::PairingCanceled);
}

TEST(Pairing, BondedClientKeepsItsSubscriptionAcrossLinkLoss) {
    auto stack = pairingStack(pairing_kinds::kConfirmOnly, "");
    auto device = connect(*stack);
    device->pairing().pairingRequested.add([](const std::shared_ptr<PairingRequest>& r) { r->accept(); });
    ASSERT_EQ(await(device->pairing().pairAsync(kAllKinds)).status, PairingStatus::Paired);
    auto level = characteristicByHandle(*device, 0x0010, 0x0012);
    await(level->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::Notify));
    stack->setOnline(kDevice, false);
    ASSERT_TRUE(stack->settle());
    EXPECT_FALSE(stack->linkOpen(kDevice));
    stack->setOnline(kDevice, true);
    ASSERT_TRUE(eventually([&] { return stack->linkOpen(kDevice); }));
    EXPECT_EQ(stack->clientConfig(kDevice, 0x0012), 1);
    Recorder<int> got;
    level->valueChanged.add([&](const ValueChangedArgs& a) { got.add(a.value.at(0)); });
    stack->sendValue(kDevice, 0x0012, Bytes{9});
    EXPECT_TRUE(got.waitFor(1));
}
