#pragma once
// A HID back end, watched: how many reads ended in an error, whether a handle
// was closed while a read was under way, and whether one was closed while a
// thread that has read from the link was still running. Wraps hidapi's
// back end in the tests against a kernel device, the simulated one elsewhere.

#include "HidBackend.h"

#include <QPointer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

template <typename Backend> class Watched : public Backend
{
public:
    int readTimeout(HidDevice* device, uint8_t* data, size_t length, int milliseconds) override
    {
        rememberReader();
        ++m_readsUnderWay;
        const int result = Backend::readTimeout(device, data, length, milliseconds);
        --m_readsUnderWay;
        if (result < 0)
            ++m_readErrors;
        return result;
    }

    void close(HidDevice* device) override
    {
        if (m_readsUnderWay > 0)
            ++m_closesDuringRead;
        {
            const std::lock_guard lock(m_readersMutex);
            for (const QPointer<QThread>& reader : m_readers)
                if (reader && reader->isRunning())
                    ++m_closesWhileReaderRuns;
        }
        Backend::close(device);
    }

    int readErrors() const { return m_readErrors; }
    int closesDuringRead() const { return m_closesDuringRead; }
    int closesWhileReaderRuns() const { return m_closesWhileReaderRuns; }

private:
    void rememberReader()
    {
        const std::lock_guard lock(m_readersMutex);
        QThread* current = QThread::currentThread();
        const bool known = std::any_of(
            m_readers.begin(), m_readers.end(),
            [current](const QPointer<QThread>& reader) { return reader.data() == current; });
        if (!known)
            m_readers.emplace_back(current);
    }

    std::atomic<int> m_readsUnderWay{0};
    std::atomic<int> m_readErrors{0};
    std::atomic<int> m_closesDuringRead{0};
    std::atomic<int> m_closesWhileReaderRuns{0};
    std::mutex m_readersMutex;
    std::vector<QPointer<QThread>> m_readers; // every thread that has read
};
