#pragma once
// The link to one headset: finding and opening its vendor-defined interface,
// writing command frames and reading the replies. An object, so that a program
// or a test holds as many links as it needs and nothing about a link lives
// anywhere else: the handle, the accepted product IDs, the replies still owed
// and the frame tap are all the link's own.
//
// Replies are read on the thread the link lives on, when the event loop sees
// the device's descriptor readable; a link with nothing to read costs nothing.
// Each accepted reply to one of this link's own commands is announced by a
// typed signal. Replies to commands the link did not send (another program
// with the interface open gets all replies too) are ignored.

#include "Frames.h"
#include "HidBackend.h"
#include "Vocabulary.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;

// Observes every report written (outgoing) and read, for tools that print
// the traffic.
using FrameTap = std::function<void(bool outgoing, const uint8_t* data, int length)>;

// What an open found.
struct LinkOpened
{
    enum Outcome
    {
        Opened,
        NoDevice, // no accepted interface, or the link is open already
        Refused,  // the interface is there but could not be opened
    };
    Outcome outcome = NoDevice;
    std::string path;   // the interface chosen; also when refused
    std::string reason; // why it was refused, as the system words it

    bool ok() const { return outcome == Opened; }
};

// What a write came to.
struct LinkWritten
{
    enum Outcome
    {
        Written,
        Failed,
        NotOpen,
    };
    Outcome outcome = NotOpen;
    std::string reason; // why it failed, as the system words it

    bool ok() const { return outcome == Written; }
    // The first failure of two writes in a row, or the second outcome.
    LinkWritten andThen(const LinkWritten& next) const { return ok() ? next : *this; }
};

// The audio reply: which pages the headset has and its sample rate.
struct HeadsetCapabilities
{
    bool stereo = false;
    bool surround = false;
    int sampleRateHz = 0; // 0: a code the program does not know
};

// The status reply: the page the headset is on and the unit's identity.
struct HeadsetStatus
{
    SoundPage page = SoundPage::Surround;
    DeviceIdentity identity{};
};

Q_DECLARE_METATYPE(HeadsetCapabilities)
Q_DECLARE_METATYPE(HeadsetStatus)

// The pause between two commands sent one after the other.
constexpr int kCommandGapMs = 10;

// The vendor ID as four upper-case hexadecimal digits ("3206"), as interface
// paths and messages show it.
QString headsetVendorIdDigits();

class HeadsetLink : public QObject
{
    Q_OBJECT

public:
    explicit HeadsetLink(HidBackend& backend, QObject* parent = nullptr);
    // Closes the link.
    ~HeadsetLink() override;
    HeadsetLink(const HeadsetLink&) = delete;
    HeadsetLink& operator=(const HeadsetLink&) = delete;

    HidBackend& backend() { return m_backend; }

    // The products that are headsets (the default files' product IDs); an
    // ID is kept once.
    void setAcceptedProductIds(const std::vector<uint16_t>& productIds);
    const std::vector<uint16_t>& acceptedProductIds() const { return m_acceptedProductIds; }
    // The headset's vendor-defined interface of an accepted product.
    bool accepts(const HidDeviceInfo& info) const;
    // The accepted interfaces present now, in enumeration order.
    std::vector<HidDeviceInfo> acceptedInterfaces() const;
    // The headsets' vendor-defined interfaces present now whose products are
    // not accepted (no default file names them).
    std::vector<HidDeviceInfo> unacceptedHeadsets() const;
    // Only the interface at this path may be opened; empty: any accepted one.
    void setWantedPath(const std::string& path) { m_wantedPath = path; }
    // Set before the link opens; sees every report written and read.
    void setFrameTap(FrameTap tap) { m_frameTap = std::move(tap); }

    // Opens the last accepted interface in enumeration order and asks it for
    // its firmware version.
    LinkOpened open();
    // Closes the link; replies still owed are forgotten.
    void close();
    bool isOpen() const { return m_device != nullptr; }
    uint16_t vendorId() const { return m_vendorId; }
    uint16_t productId() const { return m_productId; }
    // The interface open now, or the one the last open chose.
    const std::string& path() const { return m_path; }

    // The commands. Each writes one frame (the pairs two, with the command
    // gap between them) and counts the replies it is owed.
    LinkWritten readVersion();
    LinkWritten readAudio();
    LinkWritten readStatus();
    // What the headset is asked right after an open: its audio capabilities
    // and its status, each after the command gap.
    LinkWritten readAudioAndStatus();
    LinkWritten setMicVolume(int level);
    LinkWritten setAlgorithmSwitch(int a, int surround, int noiseCancellation, int modeByte);
    LinkWritten sendPeq(int channel, int firstBand, int lastBand, int modeIndex,
                        const EqGains& gains);
    // The whole equaliser: bands 0-4, the command gap, bands 5-9. Both frames
    // go out even when the first write fails.
    LinkWritten sendPeqPair(int channel, int modeIndex, const EqGains& gains);
    // Any other frame, written as it is (velumixctl's raw commands).
    LinkWritten send(const Report& frame);

    // Replies still owed to this link's commands, of one code or of all.
    int awaitedReplies(uint8_t code) const { return m_awaited[code]; }
    int awaitedReplies() const;
    // Writes that failed since the link was made.
    int failedWrites() const { return m_failedWrites; }

signals:
    // A reply to one of this link's own commands, each after it was accepted.
    void versionReported(const QString& version); // empty: the headset has none
    void capabilitiesReported(const HeadsetCapabilities& capabilities);
    void peqAcknowledged(int firstBand, int lastBand);
    void statusReported(const HeadsetStatus& status);
    // The reply's status byte says the headset failed the command; the
    // reply's own signal above is not emitted.
    void headsetError(uint8_t code);
    // After every awaited reply and its signal, whatever it said.
    void replyHandled(uint8_t code);
    // The open device failed (it was pulled out, a read failed): the link
    // has closed itself.
    void lost(const QString& reason);

private:
    std::vector<HidDeviceInfo> candidates() const;
    LinkWritten write(const Report& frame, const char* debugName, const char* function,
                      const char* traceTag, int line);
    LinkWritten writeFrame(const Report& frame);
    std::string failureReason(int written, int length) const;
    struct ReceivedReport;
    // What the last read returned: 0 when none is waiting any more (or
    // enough were read for one wake-up), -1 when the device failed.
    int readWaitingReports(std::vector<ReceivedReport>& reports);
    void readReports();
    // The code of an accepted reply this link was owed, after its signal.
    std::optional<uint8_t> handleReply(const uint8_t* frame, int length);
    void announce(uint8_t code, const uint8_t* frame);
    bool takeAwaitedReply(uint8_t code);

    HidBackend& m_backend;
    std::vector<uint16_t> m_acceptedProductIds;
    std::string m_wantedPath;
    FrameTap m_frameTap;
    HidDevice* m_device = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    uint16_t m_vendorId = 0;
    uint16_t m_productId = 0;
    std::string m_path;
    std::array<int, 256> m_awaited{};
    int m_failedWrites = 0;
    // Counts the opens, so that a reply handler that closes or reopens the
    // link ends the reading of the reports that were read before.
    quint64 m_generation = 0;
};
