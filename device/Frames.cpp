#include "Frames.h"

#include <algorithm>

uint8_t usbHidCheckSum(const uint8_t* data, int length)
{
    uint8_t sum = 0;
    for (int i = 0; i < length; ++i)
        sum = static_cast<uint8_t>(sum + data[i]);
    return sum;
}

namespace frame {

namespace {

constexpr QTable kGenericQ = {2000, 2000, 2000, 2000, 2000, 2000, 2000, 4000, 4000, 4000};
constexpr QTable kProduct0F51Q = {800, 800, 2000, 1500, 2000, 2000, 2000, 800, 4000, 4000};
constexpr QTable kProduct4130Mode5Q = {500, 500, 2000, 2000, 2000, 2000, 2000, 4000, 4000, 500};
constexpr QTable kProduct4130Mode19Q = {500, 500, 2000, 2000, 2000, 2000, 2000, 1000, 4000, 500};

constexpr uint16_t kProduct0F51 = 0x0F51;
constexpr uint16_t kProduct4130 = 0x4130;
// The two standard modes; only they use the product-specific tables.
constexpr int kStereoStandardMode = 5;
constexpr int kSurroundStandardMode = 19;

constexpr int kPeqPayloadLength = 38;
constexpr int kPeqBandsOffset = 10;
constexpr int kPeqBandRecordSize = 5;
constexpr int kPeqModeOffset = 43;
constexpr int kBandsPerFrame = 5;

Report buildFrame(uint8_t selector, uint8_t header2, uint8_t header3, uint8_t code,
                  const uint8_t* payload, int length, int reportSize)
{
    Report report{};
    length = std::clamp(length, 0, maxPayload(reportSize));
    report[0] = selector;
    report[1] = kHeader1;
    report[2] = header2;
    report[3] = header3;
    report[kCodeOffset] = code;
    report[kLengthOffset] = static_cast<uint8_t>(length);
    std::copy(payload, payload + length, report.begin() + kPayloadOffset);
    report[kPayloadOffset + length] = usbHidCheckSum(report.data(), kPayloadOffset + length);
    return report;
}

uint8_t lowByte(int value)
{
    return static_cast<uint8_t>(value & 0xFF);
}

void putBigEndian16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value & 0xFF);
}

} // namespace

int commandLength(uint8_t selector)
{
    switch (selector) {
    case kShortCommand:
        return kShortReportSize;
    case kLongCommand:
        return kReportSize;
    default:
        return 0;
    }
}

Report buildCommand(uint8_t selector, uint8_t code, const uint8_t* payload, int length)
{
    const int size = commandLength(selector) ? commandLength(selector) : kReportSize;
    return buildFrame(selector, kCommandHeader2, kCommandHeader3, code, payload, length, size);
}

Report buildReply(uint8_t marker, uint8_t code, const uint8_t* payload, int length, int reportSize)
{
    return buildFrame(marker, kReplyHeader2, kReplyHeader3, code, payload, length, reportSize);
}

Report readVersionCommand()
{
    return buildCommand(kShortCommand, ReadVersion, nullptr, 0);
}

Report readAudioCommand()
{
    const uint8_t payload[1] = {0};
    return buildCommand(kLongCommand, ReadAudio, payload, 1);
}

Report readStatusCommand()
{
    const uint8_t payload[1] = {0};
    return buildCommand(kLongCommand, ReadStatus, payload, 1);
}

Report setMicVolumeCommand(int level)
{
    uint8_t payload[14] = {};
    payload[0] = 1;
    payload[10] = lowByte(level);
    return buildCommand(kLongCommand, SetMicVolume, payload, sizeof payload);
}

Report setAlgorithmSwitchCommand(int a, int surround, int noiseCancellation, int modeByte)
{
    const uint8_t payload[6] = {
        lowByte(a), 0, lowByte(surround), 0, lowByte(noiseCancellation), lowByte(modeByte)};
    return buildCommand(kLongCommand, SetAlgorithmSwitch, payload, sizeof payload);
}

std::optional<QTable> peqQTable(int modeIndex, uint16_t productId)
{
    const bool standardMode =
        modeIndex == kStereoStandardMode || modeIndex == kSurroundStandardMode;
    if (!standardMode)
        return kGenericQ;
    if (productId == kProduct0F51)
        return kProduct0F51Q;
    if (productId == kProduct4130)
        return modeIndex == kStereoStandardMode ? kProduct4130Mode5Q : kProduct4130Mode19Q;
    return std::nullopt;
}

Report setPeqCommand(int channel, int firstBand, int lastBand, int modeIndex, const EqGains& gains,
                     uint16_t productId)
{
    uint8_t payload[kPeqPayloadLength] = {};
    payload[0] = lowByte(channel);
    payload[1] = lowByte(firstBand);
    payload[2] = lowByte(lastBand);
    const auto table = peqQTable(modeIndex, productId);
    const bool wholeHalf = (firstBand == 0 || firstBand == kBandsPerFrame) &&
                           lastBand - firstBand == kBandsPerFrame - 1;
    if (table && wholeHalf) {
        for (int i = 0; i < kBandsPerFrame; ++i) {
            const int band = firstBand + i;
            uint8_t* record = payload + (kPeqBandsOffset - kPayloadOffset) + i * kPeqBandRecordSize;
            putBigEndian16(record, kBandFrequencies[band]);
            putBigEndian16(record + 2, (*table)[band]);
            record[4] = lowByte(gains[band]);
        }
    }
    payload[kPeqModeOffset - kPayloadOffset] = lowByte(modeIndex);
    return buildCommand(kLongCommand, SetPeq, payload, sizeof payload);
}

bool replyAccepted(const uint8_t* report, int bytesRead)
{
    if (bytesRead != kShortReportSize && bytesRead != kReportSize)
        return false;
    if (report[0] != kReplyHash && report[0] != kReplyDollar)
        return false;
    if (report[1] != kHeader1 || report[2] != kReplyHeader2 || report[3] != kReplyHeader3)
        return false;
    const int checksumAt = kPayloadOffset + report[kLengthOffset];
    // The checksum must lie in this report's own bytes, never in stale ones.
    if (checksumAt >= bytesRead)
        return false;
    return usbHidCheckSum(report, checksumAt) == report[checksumAt];
}

std::string versionText(const uint8_t* replyFrame)
{
    constexpr int kVersionTextLength = 20;
    const int format = payloadByte(replyFrame, 0);
    if (format < 1 || format > 3)
        return {};
    const uint8_t* text = replyFrame + kPayloadOffset + 1;
    const auto end = std::find(text, text + kVersionTextLength, 0);
    return std::string(text, end);
}

int sampleRateHz(int code)
{
    static constexpr int kRates[] = {16000, 32000, 44100, 48000};
    return code >= 0 && code < 4 ? kRates[code] : 0;
}

} // namespace frame
