#pragma once
// Simulated headsets behind the HID seam: units that can be plugged in and
// pulled out, each with several interfaces, answering on their vendor-defined
// interface as the firmware would. Every frame written is recorded, and
// transport faults can be switched on, so tests assert exact bytes.
//
// Each open handle has a timer descriptor that turns readable exactly when a
// reply is due or the unit was pulled out, as a hidraw node does, so that a
// program waiting on it wakes only for those.

#include "HeadsetFirmware.h"
#include "HidBackend.h"

#include <chrono>
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
    // A reply becomes readable this long after the write that asked for it.
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
    HidDevice* open(const HidDeviceInfo& info, std::string& error) override;
    int write(HidDevice* device, const uint8_t* data, size_t length) override;
    int read(HidDevice* device, uint8_t* data, size_t length) override;
    int readableDescriptor(HidDevice* device) override;
    void close(HidDevice* device) override;

private:
    struct Unit;
    struct Handle;
    using Clock = std::chrono::steady_clock;

    static std::string pathOf(const Unit& unit, int interfaceIndex);
    Unit* unitForPath(const std::string& path, int* interfaceIndex);
    bool handleAlive(const Handle& handle) const;
    void deliver(Unit& unit, int interfaceIndex, const InputReport& report);
    // Sets the handle's timer for what it has to say next, if anything.
    void rearm(Handle& handle) const;

    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<Unit>> m_units;
    std::vector<Handle*> m_handles;
    std::vector<ReceivedFrame> m_received;
    bool m_writeFails = false;
    bool m_openFails = false;
    std::chrono::milliseconds m_replyDelay{0};
};
