#pragma once
// Real headsets through the kernel's hidraw driver. hidapi finds them: it
// reads each interface's report descriptor for its usage page, which tells
// the vendor-defined interface apart. The program opens the node itself, so
// that the event loop can watch its descriptor and nothing polls.

#include "HidBackend.h"

class HidrawBackend : public HidBackend
{
public:
    HidrawBackend();
    // Releases what hidapi keeps between enumerations.
    ~HidrawBackend() override;
    HidrawBackend(const HidrawBackend&) = delete;
    HidrawBackend& operator=(const HidrawBackend&) = delete;

    std::vector<HidDeviceInfo> enumerate(uint16_t vendorId, uint16_t productId) override;
    HidDevice* open(const HidDeviceInfo& info, std::string& error) override;
    int write(HidDevice* device, const uint8_t* data, size_t length) override;
    int read(HidDevice* device, uint8_t* data, size_t length) override;
    int readableDescriptor(HidDevice* device) override;
    void close(HidDevice* device) override;
};
