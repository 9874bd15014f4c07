#pragma once
// A window built against simulated headsets: the HID back end, the hot-plug
// source the window listens to, and what the window tells the user (message
// boxes) and the developer (debug lines, trace records). One rig per test;
// units are added before the window is built, and the window goes first.

#include "HotplugSource.h"
#include "LinkContext.h"
#include "LogRecorder.h"
#include "MessageBoxRecorder.h"
#include "SimulatedHeadset.h"
#include "TestFrames.h"
#include "ThrowawayHome.h"
#include "Velumix.h"

#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

constexpr DeviceIdentity kUnitIdentity{0x0a, 0x1b, 0x2c, 0x3d};

// The simulated back end, also watching that no handle is closed while a
// thread that reads from the link is still running.
class WatchedBackend : public SimulatedHidBackend
{
public:
    int readTimeout(HidDevice* device, uint8_t* data, size_t length, int milliseconds) override;
    void close(HidDevice* device) override;
    int closesWhileReaderRuns() const { return m_closesWhileReaderRuns; }

private:
    std::mutex m_readersMutex;
    std::vector<QPointer<QThread>> m_readers; // every thread that has read
    int m_closesWhileReaderRuns = 0;
};

class PresenceRig
{
public:
    PresenceRig();
    ~PresenceRig();
    PresenceRig(const PresenceRig&) = delete;
    PresenceRig& operator=(const PresenceRig&) = delete;

    // A headset unit of the vendor; plugged: present when the window is built.
    int addHeadset(quint16 productId, bool plugged = true, DeviceIdentity identity = kUnitIdentity);
    // A device of another vendor with the same two interfaces.
    int addForeignDevice(quint16 vendorId, quint16 productId);
    Velumix& buildWindow();

    // Like a real unit: the back end changes, then one event per interface.
    void plugIn(int unit);
    void pullOut(int unit);

    Frames frames() const;
    Frames framesWithCode(uint8_t code) const;
    // Boxes shown so far, each as "title: text".
    QStringList boxes() const;
    int debugLineCount(const QString& text) const;
    // The steps of the trace records with this tag, in order.
    QStringList traceSteps(const QString& tag) const;

    WatchedBackend backend;
    ManualHotplugSource hotplug;
    LinkContext link{backend};

private:
    LinkContextGuard m_installed{link};

    LogRecorder m_log;
    MessageBoxRecorder m_boxes;
    std::unique_ptr<Velumix> m_window;
};

// The shipped default file of a model, as the program reads it beside itself.
QString shippedDefaultFile(quint16 productId);
// Reads the gains of the preset of that page and stored name straight from the
// shipped file's JSON, independent of the order the program lists them in.
EqGains shippedPresetGains(quint16 productId, const QString& algorithm, const QString& name);
ConfigRecord shippedConfig(quint16 productId);

EqGains sliderGains(Velumix& window, SoundPage page);

bool mainScreenInFront(Velumix& window);
bool startScreenInFront(Velumix& window);
