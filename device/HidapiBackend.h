#pragma once
#include "HidBackend.h"

// Real headsets through hidapi's hidraw back end.
class HidapiBackend : public HidBackend
{
public:
    HidapiBackend();
    ~HidapiBackend() override;
    std::vector<HidDeviceInfo> enumerate(uint16_t vendorId, uint16_t productId) override;
    HidDevice* open(const HidDeviceInfo& info) override;
    int setNonblocking(HidDevice* device, int nonblock) override;
    int write(HidDevice* device, const uint8_t* data, size_t length) override;
    int readTimeout(HidDevice* device, uint8_t* data, size_t length, int milliseconds) override;
    void close(HidDevice* device) override;
    std::string openError() override;
};

// Releases what hidapi holds for the process; the next use starts it again.
void releaseHidLibrary();
