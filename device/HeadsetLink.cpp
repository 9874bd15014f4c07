#include "HeadsetLink.h"

#include "Diagnostics.h"
#include "TraceLog.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <numeric>

Q_LOGGING_CATEGORY(lcDevice, "velumix.device")

namespace {

// The trace log's readers know the link's records by this unit name.
const QString kUnit = QStringLiteral("UsbHidOperation");
constexpr uint8_t kStatusError = 1;
// The kernel keeps at most this many reports per open hidraw file; reading
// no more than that per wake-up lets the event loop serve everything else
// even while the headset talks without a pause.
constexpr int kMostReportsPerWake = 64;

// The log's line for a reply whose status byte says the command failed.
const char* errorLine(uint8_t code)
{
    switch (code) {
    case frame::SetMicVolume:
        return "[Recv - Volume::Error]";
    case frame::ReadAudio:
    case frame::SetPeq:
    case frame::SetAlgorithmSwitch:
    case frame::ReadStatus:
        return "[Recv - ReadAudio::Error]";
    default:
        return nullptr;
    }
}

const char* outcomeText(LinkWritten::Outcome outcome)
{
    static const char* const kTexts[] = {"Write Success!", "Write Fail!", "Device Not Open!"};
    return kTexts[outcome];
}

HeadsetCapabilities capabilitiesIn(const uint8_t* reply)
{
    HeadsetCapabilities capabilities;
    capabilities.sampleRateHz = frame::sampleRateHz(frame::payloadByte(reply, 1));
    capabilities.stereo = frame::payloadByte(reply, 2) != 0;
    capabilities.surround = frame::payloadByte(reply, 3) != 0;
    return capabilities;
}

HeadsetStatus statusIn(const uint8_t* reply)
{
    HeadsetStatus status;
    status.page = frame::stateIsSurround(frame::payloadByte(reply, 2)) ? SoundPage::Surround
                                                                       : SoundPage::Stereo;
    const uint8_t* identity = reply + frame::kPayloadOffset + 3;
    std::copy_n(identity, status.identity.size(), status.identity.begin());
    return status;
}

QString versionIn(const uint8_t* reply)
{
    const QString version = QString::fromStdString(frame::versionText(reply));
    debugLine(lcDevice(),
              frame::payloadByte(reply, 0) == 0 ? QStringLiteral("No Version.") : version);
    debugLine(lcDevice(), "[Recv - ReadVersion::Read Version Successful!]");
    return version;
}

void waitCommandGap()
{
    QThread::msleep(kCommandGapMs);
}

} // namespace

struct HeadsetLink::ReceivedReport
{
    Report bytes{}; // zero past `length`, so the parsers never see stale bytes
    int length = 0;
};

QString headsetVendorIdDigits()
{
    return QStringLiteral("%1").arg(kHeadsetVendorId, 4, 16, QChar('0')).toUpper();
}

HeadsetLink::HeadsetLink(HidBackend& backend, QObject* parent) : QObject(parent), m_backend(backend)
{
    // For queued connections and signal spies: the signals name these types.
    qRegisterMetaType<HeadsetCapabilities>();
    qRegisterMetaType<HeadsetStatus>();
    qRegisterMetaType<uint8_t>("uint8_t");
}

HeadsetLink::~HeadsetLink()
{
    close();
}

void HeadsetLink::setAcceptedProductIds(const std::vector<uint16_t>& productIds)
{
    m_acceptedProductIds.clear();
    for (uint16_t id : productIds) {
        if (std::find(m_acceptedProductIds.begin(), m_acceptedProductIds.end(), id) ==
            m_acceptedProductIds.end())
            m_acceptedProductIds.push_back(id);
    }
}

namespace {

bool isHeadsetInterface(const HidDeviceInfo& info)
{
    const bool vendorDefinedPage = (info.usagePage >> 8) == 0xFF;
    return info.vendorId == kHeadsetVendorId && vendorDefinedPage;
}

} // namespace

bool HeadsetLink::accepts(const HidDeviceInfo& info) const
{
    const auto& ids = m_acceptedProductIds;
    return isHeadsetInterface(info) &&
           std::find(ids.begin(), ids.end(), info.productId) != ids.end();
}

std::vector<HidDeviceInfo> HeadsetLink::acceptedInterfaces() const
{
    std::vector<HidDeviceInfo> accepted;
    for (const HidDeviceInfo& info : m_backend.enumerate(0, 0)) {
        if (accepts(info))
            accepted.push_back(info);
    }
    return accepted;
}

std::vector<HidDeviceInfo> HeadsetLink::unacceptedHeadsets() const
{
    std::vector<HidDeviceInfo> unaccepted;
    for (const HidDeviceInfo& info : m_backend.enumerate(0, 0)) {
        if (isHeadsetInterface(info) && !accepts(info))
            unaccepted.push_back(info);
    }
    return unaccepted;
}

std::vector<HidDeviceInfo> HeadsetLink::candidates() const
{
    // An open link stays as it is: nothing is a candidate then.
    if (isOpen())
        return {};
    std::vector<HidDeviceInfo> found = acceptedInterfaces();
    if (!m_wantedPath.empty()) {
        found.erase(
            std::remove_if(found.begin(), found.end(),
                           [this](const HidDeviceInfo& info) { return info.path != m_wantedPath; }),
            found.end());
    }
    return found;
}

LinkOpened HeadsetLink::open()
{
    const std::vector<HidDeviceInfo> found = candidates();
    for (const HidDeviceInfo& info : found) {
        traceLog("OpenDevice", "Recognized device", kUnit, "usbHidOpenDevice", __LINE__);
        debugLine(lcDevice(), " PID = Ox1032");
        qCDebug(lcDevice) << info.productId;
    }
    debugLine(lcDevice(), QStringLiteral("iDeviceNum == %1").arg(found.size()));
    if (found.empty()) {
        debugLine(lcDevice(), "Please Insert USB Device!");
        return {LinkOpened::NoDevice, {}, {}};
    }
    debugLine(lcDevice(), "Open Device!");
    const HidDeviceInfo& chosen = found.back(); // the last match in enumeration order wins
    m_path = chosen.path;
    std::string reason;
    HidDevice* device = m_backend.open(chosen, reason);
    if (!device) {
        debugLine(lcDevice(), "Open Device Fail!");
        return {LinkOpened::Refused, m_path, reason};
    }
    debugLine(lcDevice(), "Open Device Success!");
    m_device = device;
    m_vendorId = chosen.vendorId;
    m_productId = chosen.productId;
    ++m_generation;
    m_notifier =
        new QSocketNotifier(m_backend.readableDescriptor(device), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &HeadsetLink::readReports);
    readVersion();
    return {LinkOpened::Opened, m_path, {}};
}

void HeadsetLink::close()
{
    if (!m_device)
        return;
    // Gone before the descriptor closes, so that the event loop never
    // watches a closed or reused one. A reply handler may get here inside
    // the notifier's own signal; Qt lets a notifier be deleted there.
    delete m_notifier;
    m_notifier = nullptr;
    m_backend.close(m_device);
    m_device = nullptr;
    m_awaited.fill(0);
}

LinkWritten HeadsetLink::readVersion()
{
    return write(frame::readVersionCommand(), "ReadVersion", "usbHidSend_ReadVersion", nullptr,
                 __LINE__);
}

LinkWritten HeadsetLink::readAudio()
{
    debugLine(lcDevice(), "***** Read Audio! *****");
    return write(frame::readAudioCommand(), "ReadAudio", "usbHidSend_ReadAudio", nullptr, __LINE__);
}

LinkWritten HeadsetLink::readStatus()
{
    return write(frame::readStatusCommand(), "ReadStatus", "usbHidSend_ReadStatus", nullptr,
                 __LINE__);
}

LinkWritten HeadsetLink::readAudioAndStatus()
{
    waitCommandGap();
    const LinkWritten audio = readAudio();
    waitCommandGap();
    return audio.andThen(readStatus());
}

LinkWritten HeadsetLink::setMicVolume(int level)
{
    return write(frame::setMicVolumeCommand(level), "SetMicVolume", "usbHidSend_SetMicVolume",
                 "Usb Hid send Switch", __LINE__);
}

LinkWritten HeadsetLink::setAlgorithmSwitch(int a, int surround, int noiseCancellation,
                                            int modeByte)
{
    return write(frame::setAlgorithmSwitchCommand(a, surround, noiseCancellation, modeByte),
                 "SetSwitch", "usbHidSend_SetAlgorithmSwitch", "Usb Hid send Switch", __LINE__);
}

LinkWritten HeadsetLink::sendPeq(int channel, int firstBand, int lastBand, int modeIndex,
                                 const EqGains& gains)
{
    const Report command =
        frame::setPeqCommand(channel, firstBand, lastBand, modeIndex, gains, m_productId);
    qCDebug(lcDevice).noquote() << "PEQ mode:" << (modeIndex & 0xFF);
    return write(command, "SetPEQ", "usbHidSend_SetPEQ", "Usb Hid send PEQ", __LINE__);
}

LinkWritten HeadsetLink::sendPeqPair(int channel, int modeIndex, const EqGains& gains)
{
    const LinkWritten low = sendPeq(channel, 0, 4, modeIndex, gains);
    waitCommandGap();
    return low.andThen(sendPeq(channel, 5, 9, modeIndex, gains));
}

LinkWritten HeadsetLink::send(const Report& command)
{
    return writeFrame(command);
}

int HeadsetLink::awaitedReplies() const
{
    return std::accumulate(m_awaited.begin(), m_awaited.end(), 0);
}

LinkWritten HeadsetLink::write(const Report& command, const char* debugName, const char* function,
                               const char* traceTag, int line)
{
    if (traceTag)
        traceLog(traceTag, "start", kUnit, function, line);
    const LinkWritten result = writeFrame(command);
    debugLine(lcDevice(),
              QStringLiteral("[Send - %1::%2]")
                  .arg(QLatin1String(debugName), QLatin1String(outcomeText(result.outcome))));
    if (traceTag)
        traceLog(traceTag, QStringLiteral("end(%1)").arg(result.outcome), kUnit, function, line);
    return result;
}

LinkWritten HeadsetLink::writeFrame(const Report& command)
{
    const char* function = "usbHidWriteDevice";
    const int length = frame::commandLength(command[0]);
    traceLog("*Usb Write", "start", kUnit, function, __LINE__);
    if (!m_device || length == 0) {
        ++m_failedWrites;
        traceLog("*Usb Write", "fail222", kUnit, function, __LINE__);
        return {LinkWritten::NotOpen, {}};
    }
    if (m_frameTap)
        m_frameTap(true, command.data(), length);
    // Owed before the write: a back end may have the reply ready before
    // write() returns.
    int& owed = m_awaited[command[frame::kCodeOffset]];
    ++owed;
    const int written = m_backend.write(m_device, command.data(), static_cast<size_t>(length));
    if (written == kShortReportSize || written == kReportSize) {
        traceLog("*Usb Write", "success", kUnit, function, __LINE__);
        return {LinkWritten::Written, {}};
    }
    --owed;
    ++m_failedWrites;
    traceLog("*Usb Write", "fail111", kUnit, function, __LINE__);
    return {LinkWritten::Failed, failureReason(written, length)};
}

std::string HeadsetLink::failureReason(int written, int length) const
{
    if (written < 0)
        return m_device->lastError();
    return QStringLiteral("only %1 of %2 bytes were written")
        .arg(written)
        .arg(length)
        .toStdString();
}

int HeadsetLink::readWaitingReports(std::vector<ReceivedReport>& reports)
{
    int result = 0;
    for (int reads = 0; reads < kMostReportsPerWake; ++reads) {
        ReceivedReport report;
        result = m_backend.read(m_device, report.bytes.data(), report.bytes.size());
        if (result <= 0)
            break;
        if (result == kShortReportSize || result == kReportSize) {
            if (m_frameTap)
                m_frameTap(false, report.bytes.data(), result);
            report.length = result;
            reports.push_back(report);
        }
    }
    return result;
}

void HeadsetLink::readReports()
{
    // A reply handler may run a nested event loop (a message box): the
    // notifier stays off until every report read here has been handled.
    m_notifier->setEnabled(false);
    std::vector<ReceivedReport> reports;
    const int result = readWaitingReports(reports);
    const std::string failure = result < 0 ? m_device->lastError() : std::string();

    // A handler may close the link, reopen it or delete it: the reports
    // read here belong to this open only.
    const QPointer<HeadsetLink> alive(this);
    const quint64 generation = m_generation;
    const auto current = [&] { return alive && isOpen() && m_generation == generation; };
    for (const ReceivedReport& report : reports) {
        if (!current())
            return;
        const std::optional<uint8_t> code = handleReply(report.bytes.data(), report.length);
        if (code && current())
            emit replyHandled(*code);
    }
    if (!current())
        return;
    if (result < 0) {
        close();
        emit lost(QString::fromStdString(failure));
        return;
    }
    m_notifier->setEnabled(true);
}

std::optional<uint8_t> HeadsetLink::handleReply(const uint8_t* reply, int length)
{
    if (!frame::replyAccepted(reply, length))
        return std::nullopt;
    const uint8_t code = reply[frame::kCodeOffset];
    if (!takeAwaitedReply(code)) {
        debugLine(
            lcDevice(),
            QStringLiteral("Ignored a reply (code %1) to another program's command").arg(code));
        return std::nullopt;
    }
    // The version reply's first byte is its format, not a status.
    if (code != frame::ReadVersion && frame::payloadByte(reply, 0) == kStatusError) {
        if (const char* line = errorLine(code))
            debugLine(lcDevice(), line);
        emit headsetError(code);
        return code;
    }
    announce(code, reply);
    return code;
}

void HeadsetLink::announce(uint8_t code, const uint8_t* reply)
{
    switch (code) {
    case frame::ReadVersion:
        emit versionReported(versionIn(reply));
        break;
    case frame::ReadAudio:
        emit capabilitiesReported(capabilitiesIn(reply));
        break;
    case frame::SetPeq:
        emit peqAcknowledged(frame::payloadByte(reply, 1), frame::payloadByte(reply, 2));
        break;
    case frame::ReadStatus:
        emit statusReported(statusIn(reply));
        break;
    default: // the other replies say only that the command was carried out
        break;
    }
}

bool HeadsetLink::takeAwaitedReply(uint8_t code)
{
    if (m_awaited[code] == 0)
        return false;
    --m_awaited[code];
    return true;
}
