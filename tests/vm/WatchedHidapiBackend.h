#pragma once
// hidapi's hidraw back end, watched: how many reads ended in an error, and
// whether a handle was ever closed while the reader thread was in a read.

#include "HidapiBackend.h"

#include <atomic>

class WatchedHidapiBackend : public HidapiBackend
{
public:
    int readTimeout(HidDevice* device, uint8_t* data, size_t length, int milliseconds) override
    {
        ++m_readsUnderWay;
        const int result = HidapiBackend::readTimeout(device, data, length, milliseconds);
        --m_readsUnderWay;
        if (result < 0)
            ++m_readErrors;
        return result;
    }

    void close(HidDevice* device) override
    {
        if (m_readsUnderWay > 0)
            ++m_closesDuringRead;
        HidapiBackend::close(device);
    }

    int readErrors() const { return m_readErrors; }
    int closesDuringRead() const { return m_closesDuringRead; }

private:
    std::atomic<int> m_readsUnderWay{0};
    std::atomic<int> m_readErrors{0};
    std::atomic<int> m_closesDuringRead{0};
};
