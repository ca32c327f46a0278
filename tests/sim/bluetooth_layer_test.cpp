// The pieces of the Bluetooth layer itself: UUIDs, addresses, operations, events, pairing
// requests.
#include <atomic>
#include <cstdlib>

#include "sim_test_support.h"

using namespace simtest;

TEST(Guid, ParsesEveryForm) {
    const Guid battery = Guid::sig(0x180F);
    EXPECT_EQ(battery.toString(), "0000180F-0000-1000-8000-00805F9B34FB");
    for (const char* text : {"180F", "0x180f", "0000180F", " 0000180f-0000-1000-8000-00805f9b34fb ",
                             "{0000180F-0000-1000-8000-00805F9B34FB}"})
        EXPECT_EQ(Guid::parse(text), battery) << text;
    for (const char* text : {"", "18F", "180G", "0000180F-0000-1000-8000-00805F9B34F", "0000180F00001000800000805F9B34FB"})
        EXPECT_FALSE(Guid::parse(text)) << text;
    uint16_t v = 0;
    EXPECT_TRUE(battery.isSig16(&v));
    EXPECT_EQ(v, 0x180F);
    const Guid custom = *Guid::parse("3DCF8703-54E8-4FBC-A822-25EC413CA19B");
    EXPECT_FALSE(custom.isSig16());
    EXPECT_EQ(custom.toString(), "3DCF8703-54E8-4FBC-A822-25EC413CA19B");
}

TEST(Guid, LittleEndianRoundTrip) {
    const Guid g = *Guid::parse("3DCF8703-54E8-4FBC-A822-25EC413CA19B");
    const auto le = g.toLittleEndian();
    EXPECT_EQ(le[0], 0x9B);
    EXPECT_EQ(le[15], 0x3D);
    EXPECT_EQ(Guid::fromLittleEndian(le.data(), le.size()), g);
    const uint8_t two[] = {0x0F, 0x18};
    EXPECT_EQ(Guid::fromLittleEndian(two, 2), Guid::sig(0x180F));
    const uint8_t four[] = {0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(Guid::fromLittleEndian(four, 4), Guid::sig(0x12345678));
    EXPECT_FALSE(Guid::fromLittleEndian(four, 3));
}

TEST(Address, ParseAndFormat) {
    EXPECT_EQ(parseAddress("C4:7F:51:00:10:01"), 0xC47F51001001u);
    EXPECT_EQ(parseAddress("c47f51001001"), 0xC47F51001001u);
    EXPECT_EQ(parseAddress("C4-7F-51-00-10-01"), 0xC47F51001001u);
    EXPECT_FALSE(parseAddress("C4:7F:51:00:10"));
    EXPECT_FALSE(parseAddress("C4:7F:51:00:10:01:02"));
    EXPECT_FALSE(parseAddress(":C47F51001001"));
    EXPECT_FALSE(parseAddress("C47F5100100G"));
    EXPECT_EQ(formatAddress(0x001122AABBCC), "00:11:22:AA:BB:CC");
}

TEST(EnumNames, RoundTrip) {
    EXPECT_STREQ(toString(CommunicationStatus::AccessDenied), "AccessDenied");
    EXPECT_STREQ(toString(BluetoothErrorCode::TransportNotSupported), "TransportNotSupported");
    EXPECT_STREQ(toString(PairingStatus::Failed), "Failed");
    EXPECT_STREQ(toString(static_cast<PairingStatus>(20)), "Unknown");
    EXPECT_EQ(pairingStatusFromString("RejectedByHandler"), PairingStatus::RejectedByHandler);
    EXPECT_EQ(bluetoothErrorFromString("RadioNotAvailable"), BluetoothErrorCode::RadioNotAvailable);
    EXPECT_EQ(pairingKindFromString("ProvidePin"), pairing_kinds::kProvidePin);
    EXPECT_FALSE(advertisementTypeFromString("Directed"));
}

TEST(AsyncOperation, HandlerRunsOnceWithTheResult) {
    auto op = makeAsync<int>();
    EXPECT_EQ(op->status(), AsyncStatus::Started);
    EXPECT_THROW(op->getResults(), BluetoothError);
    int calls = 0;
    EXPECT_TRUE(op->setCompleted([&](AsyncOperation<int>& o, AsyncStatus s) {
        ++calls;
        EXPECT_EQ(s, AsyncStatus::Completed);
        EXPECT_EQ(o.getResults(), 7);
    }));
    EXPECT_FALSE(op->setCompleted([&](AsyncOperation<int>&, AsyncStatus) { ++calls; }));
    EXPECT_TRUE(op->complete(7));
    EXPECT_FALSE(op->complete(8));
    EXPECT_FALSE(op->fail("late"));
    op->cancel();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(op->getResults(), 7);
}

TEST(AsyncOperation, HandlerAttachedAfterTheEndRunsAtOnce) {
    auto op = completedAsync<std::string>("done");
    bool ran = false;
    op->setCompleted([&](AsyncOperation<std::string>& o, AsyncStatus s) {
        ran = true;
        EXPECT_EQ(s, AsyncStatus::Completed);
        EXPECT_EQ(o.getResults(), "done");
    });
    EXPECT_TRUE(ran);
}

TEST(AsyncOperation, FailureAndCancelThrowOnResults) {
    auto failed = makeAsync<int>();
    failed->fail("gone");
    EXPECT_EQ(failed->status(), AsyncStatus::Error);
    EXPECT_EQ(failed->errorText(), "gone");
    try {
        failed->getResults();
        FAIL();
    } catch (const BluetoothError& e) {
        EXPECT_STREQ(e.what(), "gone");
    }
    auto canceled = makeAsync<int>();
    canceled->cancel();
    EXPECT_EQ(canceled->status(), AsyncStatus::Canceled);
    EXPECT_THROW(canceled->getResults(), BluetoothError);
}

TEST(AsyncOperation, WaitIsBoundedAndWakesOnCompletion) {
    auto op = makeAsync<int>();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(op->wait(30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 25ms);
    std::thread t([&] {
        std::this_thread::sleep_for(20ms);
        op->complete(1);
    });
    EXPECT_TRUE(op->wait(2000ms));
    t.join();
}

TEST(AsyncOperation, WaitOnAStackWorkerDoesNotBlock) {
    auto stack = makeStack(basicScenario());
    auto never = makeAsync<int>();
    auto probe = stack->getDefaultAdapterAsync();
    std::atomic<bool> waited{false};
    std::chrono::steady_clock::duration took{};
    probe->setCompleted([&](auto&, AsyncStatus) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(never->wait(5000ms));
        took = std::chrono::steady_clock::now() - start;
        waited = true;
    });
    ASSERT_TRUE(eventually([&] { return waited.load(); }));
    EXPECT_LT(took, 100ms);
}

TEST(Event, HandlersRunInOrderAndCanBeRemoved) {
    Event<int> e;
    std::vector<std::string> calls;
    const auto a = e.add([&](int v) { calls.push_back("a" + std::to_string(v)); });
    e.add([&](int v) { calls.push_back("b" + std::to_string(v)); });
    EXPECT_EQ(e.add(nullptr), 0u);
    e.raise(1);
    e.remove(a);
    e.raise(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"a1", "b1", "b2"}));
    e.clear();
    EXPECT_TRUE(e.empty());
}

TEST(Event, AHandlerMayRemoveItself) {
    Event<> e;
    int calls = 0;
    EventToken token = 0;
    token = e.add([&] {
        ++calls;
        e.remove(token);
    });
    e.raise();
    e.raise();
    EXPECT_EQ(calls, 1);
}

TEST(Event, RemoveWaitsForARunningHandler) {
    Event<> e;
    std::atomic<bool> inside{false}, finished{false};
    const auto token = e.add([&] {
        inside = true;
        std::this_thread::sleep_for(50ms);
        finished = true;
    });
    std::thread raiser([&] { e.raise(); });
    ASSERT_TRUE(eventually([&] { return inside.load(); }));
    e.remove(token);
    EXPECT_TRUE(finished);
    raiser.join();
}

TEST(PairingRequest, AnswerInsideTheHandler) {
    auto request = std::make_shared<PairingRequest>(pairing_kinds::kProvidePin, "");
    std::optional<std::pair<bool, std::string>> decision;
    request->setDecisionHandler([&](bool ok, const std::string& pin) { decision = std::make_pair(ok, pin); });
    request->accept("1234");
    EXPECT_FALSE(decision);
    request->handlersReturned();
    ASSERT_TRUE(decision);
    EXPECT_TRUE(decision->first);
    EXPECT_EQ(decision->second, "1234");
}

TEST(PairingRequest, DeferralKeepsTheQuestionOpen) {
    auto request = std::make_shared<PairingRequest>(pairing_kinds::kConfirmOnly, "");
    std::optional<bool> decision;
    request->setDecisionHandler([&](bool ok, const std::string&) { decision = ok; });
    auto deferral = request->getDeferral();
    request->handlersReturned();
    EXPECT_FALSE(decision);
    std::thread host([&] {
        request->accept();
        deferral->complete();
    });
    host.join();
    ASSERT_TRUE(decision);
    EXPECT_TRUE(*decision);
    request->accept();  // after the decision: ignored
}

TEST(PairingRequest, NoAnswerDeclines) {
    auto request = std::make_shared<PairingRequest>(pairing_kinds::kConfirmOnly, "");
    std::optional<bool> decision;
    request->handlersReturned();
    request->setDecisionHandler([&](bool ok, const std::string&) { decision = ok; });
    ASSERT_TRUE(decision);
    EXPECT_FALSE(*decision);
}

