#include "UsbHidOperation.h"

#include "Diagnostics.h"
#include "TraceLog.h"

#include <QString>
#include <QThread>

#include <algorithm>

Q_LOGGING_CATEGORY(lcDevice, "velumix.device")

LinkState linkState;
ReplyState replyState;

namespace {

const QString kUnit = QStringLiteral("UsbHidOperation");
constexpr uint8_t kStatusError = 1;

bool productAccepted(uint16_t productId)
{
    const std::vector<uint16_t>& accepted = linkState.acceptedProductIds;
    return std::find(accepted.begin(), accepted.end(), productId) != accepted.end();
}

// The link keeps two handles to the matched interface: one the GUI thread
// writes on and one only the reader thread reads from.
void forgetAwaitedReplies()
{
    for (std::atomic<int>& count : linkState.awaitedReplies)
        count = 0;
}

// Counts one reply of `code` as arrived, if one was owed.
bool takeAwaitedReply(uint8_t code)
{
    std::atomic<int>& owed = linkState.awaitedReplies[code];
    int count = owed.load();
    while (count > 0 && !owed.compare_exchange_weak(count, count - 1)) {
    }
    return count > 0;
}

bool openHandles(const HidDeviceInfo& info)
{
    HidBackend& backend = hidBackend();
    HidDevice* writer = backend.open(info);
    if (!writer) {
        linkContext().lastOpenError = backend.openError();
        return false;
    }
    HidDevice* reader = backend.open(info);
    if (!reader) {
        linkContext().lastOpenError = backend.openError();
        backend.close(writer);
        return false;
    }
    backend.setNonblocking(writer, 1);
    backend.setNonblocking(reader, 1);
    linkState.readHandle = reader;
    linkState.deviceHandle = writer;
    return true;
}

// The common procedure of every command: write, report the outcome.
struct CommandNames
{
    const char* debugName; // as in "[Send - <name>::Write Success!]"
    const char* function;
    const char* traceTag; // null: the command writes no trace records
};

void sendCommand(const CommandNames& names, const Report& frame, int line)
{
    if (names.traceTag)
        traceLog(names.traceTag, "start", kUnit, names.function, line);
    linkState.txReport = frame;
    const int result = usbHidWriteDevice(linkState.txReport.data());
    linkContext().lastWriteResult = result;
    if (result != WriteSucceeded)
        ++linkContext().failedWrites;
    static const char* const kOutcome[] = {"Write Success!", "Write Fail!", "Device Not Open!"};
    debugLine(lcDevice(), QStringLiteral("[Send - %1::%2]").arg(names.debugName, kOutcome[result]));
    if (names.traceTag)
        traceLog(names.traceTag, QStringLiteral("end(%1)").arg(result), kUnit, names.function,
                 line);
}

void storeIdentity(const uint8_t* frame)
{
    DeviceIdentity identity;
    std::copy_n(frame + frame::kPayloadOffset + 3, identity.size(), identity.begin());
    replyState.deviceIdentity = identity;
}

} // namespace

bool usbHidInterfaceMatches(const HidDeviceInfo& entry)
{
    const bool vendorDefinedPage = (entry.usagePage >> 8) == 0xFF;
    return entry.vendorId == kHeadsetVendorId && vendorDefinedPage &&
           productAccepted(entry.productId);
}

void addAcceptedProductId(uint16_t productId)
{
    if (!productAccepted(productId))
        linkState.acceptedProductIds.push_back(productId);
}

void clearAcceptedProductIds()
{
    linkState.acceptedProductIds.clear();
}

int usbHidOpenDevice()
{
    int matches = 0;
    HidDeviceInfo chosen;
    for (const HidDeviceInfo& entry : hidBackend().enumerate(0, 0)) {
        if (linkState.deviceOpened != 0 || !usbHidInterfaceMatches(entry))
            continue;
        const std::string& wantedPath = linkContext().wantedPath;
        if (!wantedPath.empty() && entry.path != wantedPath)
            continue;
        ++matches;
        chosen = entry; // the last match in enumeration order wins
        traceLog("OpenDevice", "Recognized device", kUnit, "usbHidOpenDevice", __LINE__);
        debugLine(lcDevice(), " PID = Ox1032");
        qCDebug(lcDevice) << entry.productId;
    }
    debugLine(lcDevice(), QStringLiteral("iDeviceNum == %1").arg(matches));
    if (matches == 0) {
        debugLine(lcDevice(), "Please Insert USB Device!");
        return OpenNoDevice;
    }
    debugLine(lcDevice(), "Open Device!");
    linkContext().lastMatchedPath = chosen.path;
    linkContext().lastOpenError.clear();
    if (!openHandles(chosen)) {
        debugLine(lcDevice(), "Open Device Fail!");
        return OpenFailed;
    }
    debugLine(lcDevice(), "Open Device Success!");
    linkState.connectedVendorId = chosen.vendorId;
    linkState.connectedProductId = chosen.productId;
    linkState.deviceOpened = 1;
    forgetAwaitedReplies();
    usbHidSend_ReadVersion();
    return OpenSucceeded;
}

int usbHidWriteDevice(const uint8_t* frame)
{
    const char* function = "usbHidWriteDevice";
    if (!frame) {
        traceLog("*Usb Write", "fail222", kUnit, function, __LINE__);
        return WriteNotOpen;
    }
    const int length = frame::commandLength(frame[0]);
    traceLog("*Usb Write", "start", kUnit, function, __LINE__);
    HidDevice* handle = linkState.deviceHandle;
    if (!handle || length == 0) {
        traceLog("*Usb Write", "fail222", kUnit, function, __LINE__);
        return WriteNotOpen;
    }
    if (const FrameTap& tap = linkContext().frameTap)
        tap(true, frame, length);
    // Owed before the write: the reader may see the reply before write() returns.
    std::atomic<int>& owed = linkState.awaitedReplies[frame[frame::kCodeOffset]];
    ++owed;
    const int written = hidBackend().write(handle, frame, static_cast<size_t>(length));
    if (written == kShortReportSize || written == kReportSize) {
        traceLog("*Usb Write", "success", kUnit, function, __LINE__);
        return WriteSucceeded;
    }
    --owed;
    traceLog("*Usb Write", "fail111", kUnit, function, __LINE__);
    return WriteFailed;
}

void usbHidCloseDevice()
{
    linkState.deviceOpened = 0;
    for (auto* handle : {&linkState.readHandle, &linkState.deviceHandle}) {
        if (HidDevice* device = handle->exchange(nullptr))
            hidBackend().close(device);
    }
}

QString headsetVendorIdDigits()
{
    return QStringLiteral("%1").arg(kHeadsetVendorId, 4, 16, QChar('0')).toUpper();
}

std::string usbHidLastMatchedPath()
{
    return linkContext().lastMatchedPath;
}

std::string usbHidLastOpenError()
{
    return linkContext().lastOpenError;
}

int usbHidLastWriteResult()
{
    return linkContext().lastWriteResult;
}

int usbHidFailedWriteCount()
{
    return linkContext().failedWrites;
}

void usbHidSend_ReadVersion()
{
    sendCommand({"ReadVersion", "usbHidSend_ReadVersion", nullptr}, frame::readVersionCommand(),
                __LINE__);
}

void usbHidSend_ReadAudio()
{
    debugLine(lcDevice(), "***** Read Audio! *****");
    sendCommand({"ReadAudio", "usbHidSend_ReadAudio", nullptr}, frame::readAudioCommand(),
                __LINE__);
}

void usbHidSend_ReadStatus()
{
    sendCommand({"ReadStatus", "usbHidSend_ReadStatus", nullptr}, frame::readStatusCommand(),
                __LINE__);
}

void usbHidSend_SetMicVolume(int level)
{
    sendCommand({"SetMicVolume", "usbHidSend_SetMicVolume", "Usb Hid send Switch"},
                frame::setMicVolumeCommand(level), __LINE__);
}

void usbHidSend_SetAlgorithmSwitch(int a, int surround, int noiseCancellation, int modeByte)
{
    sendCommand({"SetSwitch", "usbHidSend_SetAlgorithmSwitch", "Usb Hid send Switch"},
                frame::setAlgorithmSwitchCommand(a, surround, noiseCancellation, modeByte),
                __LINE__);
}

void usbHidSend_SetPEQ(int channel, int firstBand, int lastBand, int modeIndex, EqGains gains)
{
    const Report frame = frame::setPeqCommand(channel, firstBand, lastBand, modeIndex, gains,
                                              linkState.connectedProductId);
    qCDebug(lcDevice).noquote() << "PEQ mode:" << (modeIndex & 0xFF);
    sendCommand({"SetPEQ", "usbHidSend_SetPEQ", "Usb Hid send PEQ"}, frame, __LINE__);
}

bool usbHidSend_PeqPair(int channel, int modeIndex, const EqGains& gains)
{
    usbHidSend_SetPEQ(channel, 0, 4, modeIndex, gains);
    const bool lowWritten = usbHidLastWriteResult() == WriteSucceeded;
    QThread::msleep(kCommandGapMs);
    usbHidSend_SetPEQ(channel, 5, 9, modeIndex, gains);
    return lowWritten && usbHidLastWriteResult() == WriteSucceeded;
}

bool usbHidSend_ReadAudioAndStatus()
{
    QThread::msleep(kCommandGapMs);
    usbHidSend_ReadAudio();
    const bool audioWritten = usbHidLastWriteResult() == WriteSucceeded;
    QThread::msleep(kCommandGapMs);
    usbHidSend_ReadStatus();
    return audioWritten && usbHidLastWriteResult() == WriteSucceeded;
}

int usbHidReadReport(int timeoutMs)
{
    HidDevice* handle = linkState.readHandle;
    if (!handle)
        return -1;
    const int bytesRead =
        hidBackend().readTimeout(handle, linkState.rxReport.data(), kReportSize, timeoutMs);
    if (bytesRead != kShortReportSize && bytesRead != kReportSize)
        return bytesRead;
    if (const FrameTap& tap = linkContext().frameTap)
        tap(false, linkState.rxReport.data(), bytesRead);
    linkState.rxFrame.fill(0);
    std::copy_n(linkState.rxReport.begin(), bytesRead, linkState.rxFrame.begin());
    return bytesRead;
}

int usbHidDispatchReply(int bytesRead)
{
    if (!frame::replyAccepted(linkState.rxFrame.data(), bytesRead))
        return NoSignal;
    const uint8_t code = linkState.rxFrame[frame::kCodeOffset];
    if (!takeAwaitedReply(code)) {
        debugLine(
            lcDevice(),
            QStringLiteral("Ignored a reply (code %1) to another program's command").arg(code));
        return NotAwaited;
    }
    switch (code) {
    case frame::ReadVersion:
        usbHidRecv_ReadVersion();
        return VersionReply;
    case frame::ReadAudio:
        usbHidRecv_ReadAudio();
        return AudioReply;
    case frame::SetPeq:
        usbHidRecv_SetPEQ();
        return PeqAcknowledged;
    case frame::SetMicVolume:
        usbHidRecv_Volume();
        return NoSignal;
    case frame::SetAlgorithmSwitch:
        usbHidRecv_SetSwitch();
        return NoSignal;
    case frame::ReadStatus:
        return usbHidRecv_ReadStatus();
    default:
        return NoSignal;
    }
}

namespace {
uint8_t rxPayload(int k)
{
    return frame::payloadByte(linkState.rxFrame.data(), k);
}
bool rxStatusIsError()
{
    return rxPayload(0) == kStatusError;
}
} // namespace

void usbHidRecv_ReadVersion()
{
    if (rxPayload(0) == 0)
        debugLine(lcDevice(), "No Version.");
    else
        debugLine(lcDevice(), QString::fromStdString(frame::versionText(linkState.rxFrame.data())));
    debugLine(lcDevice(), "[Recv - ReadVersion::Read Version Successful!]");
}

void usbHidRecv_ReadAudio()
{
    if (rxStatusIsError()) {
        debugLine(lcDevice(), "[Recv - ReadAudio::Error]");
        return;
    }
    replyState.sampleRateCode = rxPayload(1);
    replyState.stereoTabFlag = rxPayload(2);
    replyState.surroundTabFlag = rxPayload(3);
}

void usbHidRecv_SetPEQ()
{
    replyState.peqAckFirst = rxPayload(1);
    replyState.peqAckLast = rxPayload(2);
    if (rxStatusIsError())
        debugLine(lcDevice(), "[Recv - ReadAudio::Error]");
}

void usbHidRecv_Volume()
{
    if (rxStatusIsError())
        debugLine(lcDevice(), "[Recv - Volume::Error]");
}

void usbHidRecv_SetSwitch()
{
    if (rxStatusIsError())
        debugLine(lcDevice(), "[Recv - ReadAudio::Error]");
}

int usbHidRecv_ReadStatus()
{
    if (rxStatusIsError()) {
        debugLine(lcDevice(), "[Recv - ReadAudio::Error]");
        return StatusError;
    }
    storeIdentity(linkState.rxFrame.data());
    return frame::stateIsSurround(rxPayload(2)) ? StatusSurround : StatusStereo;
}
