#pragma once
// Simulated headsets behind the HID seam: units that can be plugged in and
// pulled out, each with several interfaces, answering on their vendor-defined
// interface as the firmware would. Every frame written is recorded, and
// transport faults can be switched on, so tests assert exact bytes.

#include "HeadsetFirmware.h"
#include "HidBackend.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

struct SimulatedInterface
{
    int interfaceNumber;
    uint16_t usagePage;
};

class SimulatedHidBackend : public HidBackend
{
public:
    // A headset's interfaces: an ordinary consumer-control one and the
    // vendor-defined one the program talks to.
    static std::vector<SimulatedInterface> headsetInterfaces();

    SimulatedHidBackend();
    ~SimulatedHidBackend() override;

    // Adds a plugged-in unit and returns its number.
    int addHeadset(const HeadsetSettings& settings,
                   std::vector<SimulatedInterface> interfaces = headsetInterfaces(),
                   uint16_t vendorId = 0x3206);
    void plug(int unit);
    void unplug(int unit);
    bool isPlugged(int unit) const;
    // The unit's firmware; change it on the thread that writes to the link.
    HeadsetFirmware& firmware(int unit);
    std::vector<std::string> interfacePaths(int unit) const;

    void setWriteFails(bool fails);
    void setOpenFails(bool fails);
    void setReplyDelay(std::chrono::milliseconds delay);

    struct ReceivedFrame
    {
        int unit;
        std::vector<uint8_t> bytes;
    };
    std::vector<ReceivedFrame> receivedFrames() const;
    void clearReceivedFrames();
    int openHandleCount() const;

    std::vector<HidDeviceInfo> enumerate(uint16_t vendorId, uint16_t productId) override;
    HidDevice* open(const HidDeviceInfo& info) override;
    int setNonblocking(HidDevice* device, int nonblock) override;
    int write(HidDevice* device, const uint8_t* data, size_t length) override;
    int readTimeout(HidDevice* device, uint8_t* data, size_t length, int milliseconds) override;
    void close(HidDevice* device) override;
    std::string openError() override;

private:
    struct Unit;
    struct Handle;
    using Clock = std::chrono::steady_clock;

    static std::string pathOf(const Unit& unit, int interfaceIndex);
    Unit* unitForPath(const std::string& path, int* interfaceIndex);
    bool handleAlive(const Handle& handle) const;
    void deliver(Unit& unit, int interfaceIndex, const InputReport& report);

    mutable std::mutex m_mutex;
    std::condition_variable m_replyArrived;
    std::vector<std::unique_ptr<Unit>> m_units;
    std::vector<Handle*> m_handles;
    std::vector<ReceivedFrame> m_received;
    bool m_writeFails = false;
    bool m_openFails = false;
    std::chrono::milliseconds m_replyDelay{0};
};
