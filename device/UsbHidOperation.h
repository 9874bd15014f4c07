#pragma once
// The device link: finding and opening the headset, writing command frames,
// reading and parsing replies. Free functions over one process-wide LinkState.
//
// Threads: open, close and every write run on the GUI thread; replies are read
// on the reader thread. The two threads use separate handles to the same
// interface (the kernel hands every input report to each open file), so no
// HID library state is shared between them.

#include "Frames.h"
#include "HidBackend.h"
#include "LinkContext.h"

#include <QLoggingCategory>
#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcDevice)

constexpr uint16_t kHeadsetVendorId = 0x3206;
// The vendor ID as four upper-case hexadecimal digits ("3206"), as interface
// paths and messages show it.
QString headsetVendorIdDigits();
// The pause between two commands sent one after the other.
constexpr int kCommandGapMs = 10;
constexpr int kRxFrameSize = 70;

struct LinkState
{
    // Written on the GUI thread; the write handle.
    std::atomic<HidDevice*> deviceHandle{nullptr};
    // The reader thread's own handle to the same interface.
    std::atomic<HidDevice*> readHandle{nullptr};
    int deviceOpened = 0;
    uint16_t connectedVendorId = 0;
    uint16_t connectedProductId = 0;
    // GUI thread only: matching interfaces happens where the link is opened,
    // never on the reader thread. As many as the configuration files name.
    std::vector<uint16_t> acceptedProductIds;
    Report txReport{};                           // GUI thread only
    Report rxReport{};                           // reader only
    std::array<uint8_t, kRxFrameSize> rxFrame{}; // reader only
    // Per command code, the replies still owed to this link's own commands.
    // Another program with the interface open gets every reply too, and this
    // reader gets its replies; only the awaited ones are handled. Counted up
    // on the GUI thread before a write, down on the reader thread.
    std::array<std::atomic<int>, 256> awaitedReplies{};
};
static_assert(sizeof(LinkState::rxFrame) == 70, "the parsers read a 70-byte frame copy");

extern LinkState linkState;

// Values the reader thread hands to the window. Each is read and written
// whole, so the window never sees a torn value.
struct ReplyState
{
    std::atomic<int> stereoTabFlag{0};
    std::atomic<int> surroundTabFlag{0};
    std::atomic<int> peqAckFirst{0};
    std::atomic<int> peqAckLast{0};
    // The sample-rate code of the last audio reply (frame::sampleRateHz), -1 before one.
    std::atomic<int> sampleRateCode{-1};
    std::atomic<DeviceIdentity> deviceIdentity{DeviceIdentity{}};
};
static_assert(std::atomic<DeviceIdentity>::is_always_lock_free,
              "the identity must be handed over without a lock");

extern ReplyState replyState;

// iCmdType values carried by MyThread::sendReadAudio.
enum ReplyType
{
    StatusError = 0,
    StatusSurround = 1, // frame::stateIsSurround
    StatusStereo = 2,
    AudioReply = 20,
    PeqAcknowledged = 21,
    // Not carried by sendReadAudio: the reader hands the text over with sendVersion.
    VersionReply = 22,
    NoSignal = -1,
    NotAwaited = -2, // a reply to a command this link did not send
};

// Accepted product IDs: appends unless present.
void addAcceptedProductId(uint16_t productId);
void clearAcceptedProductIds();

// The headset's vendor-defined interface of an accepted product.
bool usbHidInterfaceMatches(const HidDeviceInfo& entry);

// An OpenResult; on OpenFailed usbHidLastOpenError() tells why.
int usbHidOpenDevice();
// A WriteResult.
int usbHidWriteDevice(const uint8_t* frame);
// Closes the link. The reader thread must have left its loop first.
void usbHidCloseDevice();
// The path of the interface the last open chose (for messages).
std::string usbHidLastMatchedPath();
// Why the last open failed, as the HID library words it; empty after a
// successful open.
std::string usbHidLastOpenError();

void usbHidSend_ReadVersion();
void usbHidSend_ReadAudio();
void usbHidSend_ReadStatus();
void usbHidSend_SetMicVolume(int level);
void usbHidSend_SetAlgorithmSwitch(int a, int surround, int noiseCancellation, int modeByte);
void usbHidSend_SetPEQ(int channel, int firstBand, int lastBand, int modeIndex, EqGains gains);
// The whole equaliser: bands 0-4, the command gap, bands 5-9. Both frames go
// out even when the first write fails; true when both were written.
bool usbHidSend_PeqPair(int channel, int modeIndex, const EqGains& gains);
// What the headset is asked right after an open: its audio capabilities and
// its state, each after the command gap; true when both were written.
bool usbHidSend_ReadAudioAndStatus();
// The WriteResult of the last command write.
int usbHidLastWriteResult();
// How many command writes have failed since the link context was installed,
// so that a caller can tell whether any write of a sequence failed.
int usbHidFailedWriteCount();

// Reads one report on the reader handle into rxReport/rxFrame; returns what
// the read returned. Bytes beyond the report are cleared in rxFrame.
int usbHidReadReport(int timeoutMs);
// Parses rxFrame if it is an accepted reply to one of this link's commands;
// returns the signal type to emit, NotAwaited for a reply nobody here asked for.
int usbHidDispatchReply(int bytesRead);

void usbHidRecv_ReadVersion();
void usbHidRecv_ReadAudio();
void usbHidRecv_SetPEQ();
void usbHidRecv_Volume();
void usbHidRecv_SetSwitch();
int usbHidRecv_ReadStatus();
