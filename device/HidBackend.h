#pragma once
// The seam between the device link and the HID library. The link needs
// exactly six operations; hidapi's hidraw back end provides them for real
// headsets and the simulated headset provides them for trying and testing the
// program without hardware.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct HidDeviceInfo
{
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int interfaceNumber = -1;
    uint16_t usagePage = 0;
};

// An open interface; each back end derives its own handle from it.
class HidDevice
{
public:
    virtual ~HidDevice() = default;
};

class HidBackend
{
public:
    virtual ~HidBackend() = default;
    // All interfaces of the machine when both IDs are 0.
    virtual std::vector<HidDeviceInfo> enumerate(uint16_t vendorId, uint16_t productId) = 0;
    // Opens exactly the interface of this record (by its path); null on failure.
    virtual HidDevice* open(const HidDeviceInfo& info) = 0;
    virtual int setNonblocking(HidDevice* device, int nonblock) = 0;
    // Returns the number of bytes written or -1.
    virtual int write(HidDevice* device, const uint8_t* data, size_t length) = 0;
    // Returns the number of bytes read, 0 when nothing came in time, -1 on error.
    virtual int readTimeout(HidDevice* device, uint8_t* data, size_t length, int milliseconds) = 0;
    virtual void close(HidDevice* device) = 0;
    // Why the last open on this thread failed, as the library words it.
    virtual std::string openError() = 0;
};
