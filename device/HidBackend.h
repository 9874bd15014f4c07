#pragma once
// The seam between the headset link and the HID devices: real hidraw nodes
// for real headsets, simulated units for trying and testing the program
// without hardware. A back end enumerates interfaces, opens one, writes
// reports and hands over the reports that arrived, never waiting for one:
// the link learns that one has arrived from a descriptor the event loop
// watches, so nothing wakes while the headset is quiet.

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

// An open interface; each back end derives its own handle from it, which
// keeps the error text of its own last failed call.
class HidDevice
{
public:
    virtual ~HidDevice() = default;
    // Why the last write or read on this handle failed, as the system words
    // it ("No such device"); empty before any failure.
    const std::string& lastError() const { return m_lastError; }

protected:
    std::string m_lastError;
};

class HidBackend
{
public:
    virtual ~HidBackend() = default;
    // All interfaces of the machine when both IDs are 0.
    virtual std::vector<HidDeviceInfo> enumerate(uint16_t vendorId, uint16_t productId) = 0;
    // Opens exactly the interface of this record (by its path). Null on
    // failure, with `error` set to the reason as the system words it
    // ("Permission denied").
    virtual HidDevice* open(const HidDeviceInfo& info, std::string& error) = 0;
    // The number of bytes written, or -1 (see HidDevice::lastError).
    virtual int write(HidDevice* device, const uint8_t* data, size_t length) = 0;
    // Takes one waiting report without blocking: its length, 0 when none is
    // waiting, -1 when the device has gone or failed (see lastError).
    virtual int read(HidDevice* device, uint8_t* data, size_t length) = 0;
    // A file descriptor that polls readable while read() has something to
    // return: a report, or a failure such as the device going away.
    virtual int readableDescriptor(HidDevice* device) = 0;
    virtual void close(HidDevice* device) = 0;
};
