#pragma once
// A gauge link that counts what it is asked: connected and subscribed until told otherwise.
#include "gauge/gauge_link.h"

namespace zenu::testing {

class CountingLink : public GaugeLink {
public:
    bool connected = true;
    bool subscribed = true;
    int subscribes = 0;
    int unsubscribes = 0;
    bool isConnected() const override { return connected; }
    void requestDisconnect() override { connected = false; }
    bool isSubscribed() const override { return subscribed; }
    bool subscribeReadings() override {
        ++subscribes;
        subscribed = true;
        return true;
    }
    bool unsubscribeReadings() override {
        ++unsubscribes;
        subscribed = false;
        return true;
    }
};

}  // namespace zenu::testing
