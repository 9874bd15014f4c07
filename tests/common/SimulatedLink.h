#pragma once
// A device link over a fresh simulated headset back end, installed for one
// test.

#include "SimulatedHeadset.h"
#include "UsbHidOperation.h"

#include <initializer_list>

// What the reader learnt from an earlier test's replies, forgotten.
inline void forgetReplies()
{
    replyState.stereoTabFlag = 0;
    replyState.surroundTabFlag = 0;
    replyState.peqAckFirst = 0;
    replyState.peqAckLast = 0;
    replyState.sampleRateCode = -1;
    replyState.deviceIdentity = DeviceIdentity{};
}

struct SimulatedLink
{
    SimulatedHidBackend backend;
    LinkContext context{backend};
    LinkContextGuard installed{context};

    explicit SimulatedLink(std::initializer_list<uint16_t> accepted = {0x1054})
    {
        usbHidCloseDevice();
        clearAcceptedProductIds();
        for (uint16_t id : accepted)
            addAcceptedProductId(id);
        forgetReplies();
    }
    ~SimulatedLink() { usbHidCloseDevice(); }

    int addHeadset(uint16_t productId = 0x1054, DeviceIdentity identity = {1, 2, 3, 4})
    {
        HeadsetSettings settings;
        settings.productId = productId;
        settings.identity = identity;
        return backend.addHeadset(settings);
    }

    // The bytes of every frame the headsets received, in order.
    std::vector<std::vector<uint8_t>> frames() const
    {
        std::vector<std::vector<uint8_t>> result;
        for (const auto& received : backend.receivedFrames())
            result.push_back(received.bytes);
        return result;
    }
};
