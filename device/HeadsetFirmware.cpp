#include "HeadsetFirmware.h"

#include <algorithm>

namespace {

constexpr uint8_t kStatusOk = 0;
constexpr uint8_t kStatusError = 1;
constexpr int kVersionTextLength = 20;
constexpr uint8_t kVersionFormat = 1;
constexpr int kPeqFirstBandAt = 1;
constexpr int kPeqLastBandAt = 2;
constexpr int kPeqBandsAt = 4;
constexpr int kPeqModeAt = 37;
constexpr int kBandRecordSize = 5;
// The payload bytes each command reads; a shorter payload gets no reply, so
// the firmware never reads past the report it was given.
constexpr int kMicVolumeAt = 10;
constexpr int kSwitchSurroundAt = 2;
constexpr int kSwitchNoiseCancellationAt = 4;

int payloadNeeded(uint8_t code)
{
    switch (code) {
    case frame::SetPeq:
        return kPeqModeAt + 1;
    case frame::SetMicVolume:
        return kMicVolumeAt + 1;
    case frame::SetAlgorithmSwitch:
        return kSwitchNoiseCancellationAt + 1;
    default:
        return 0;
    }
}

bool wellFormedCommand(const uint8_t* data, int length)
{
    if (length != frame::commandLength(data[0]))
        return false;
    if (data[1] != frame::kHeader1 || data[2] != frame::kCommandHeader2 ||
        data[3] != frame::kCommandHeader3)
        return false;
    const int checksumAt = frame::kPayloadOffset + data[frame::kLengthOffset];
    return checksumAt < length && usbHidCheckSum(data, checksumAt) == data[checksumAt];
}

} // namespace

std::optional<InputReport> HeadsetFirmware::respond(const uint8_t* data, int length)
{
    if (length < frame::kPayloadOffset + 1 || !wellFormedCommand(data, length))
        return std::nullopt;
    // The checksum lies inside the report, so the whole payload does too.
    if (data[frame::kLengthOffset] < payloadNeeded(data[frame::kCodeOffset]))
        return std::nullopt;
    const std::optional<Report> answer = handle(data);
    if (!answer || m_faults.silent)
        return std::nullopt;
    return InputReport{*answer,
                       m_faults.reportSize == kShortReportSize ? kShortReportSize : kReportSize};
}

std::optional<Report> HeadsetFirmware::handle(const uint8_t* frame)
{
    const uint8_t* payload = frame + frame::kPayloadOffset;
    const int payloadLength = frame[frame::kLengthOffset];
    switch (frame[frame::kCodeOffset]) {
    case frame::ReadVersion: {
        uint8_t reply[1 + kVersionTextLength] = {kVersionFormat};
        const std::string& text = m_settings.version;
        std::copy_n(text.begin(), std::min<size_t>(text.size(), kVersionTextLength), reply + 1);
        return this->reply(frame::ReadVersion, reply, sizeof reply);
    }
    case frame::ReadAudio: {
        const uint8_t reply[4] = {kStatusOk, m_settings.sampleRateCode,
                                  uint8_t(m_settings.stereoCapable),
                                  uint8_t(m_settings.surroundCapable)};
        return this->reply(frame::ReadAudio, reply, sizeof reply);
    }
    case frame::SetPeq:
        return applyPeq(payload, payloadLength);
    case frame::SetMicVolume:
        m_micVolume = payload[kMicVolumeAt];
        return statusOnly(frame::SetMicVolume);
    case frame::SetAlgorithmSwitch:
        return applySwitch(payload);
    case frame::ReadStatus: {
        const DeviceIdentity& id = m_settings.identity;
        const uint8_t reply[7] = {kStatusOk, 0, m_settings.stateByte, id[0], id[1], id[2], id[3]};
        return this->reply(frame::ReadStatus, reply, sizeof reply);
    }
    default:
        return std::nullopt;
    }
}

std::optional<Report> HeadsetFirmware::applyPeq(const uint8_t* payload, int payloadLength)
{
    const int first = payload[kPeqFirstBandAt];
    const int last = payload[kPeqLastBandAt];
    // Only the band records the payload holds are applied.
    const int recordsHeld = (payloadLength - kPeqBandsAt) / kBandRecordSize;
    for (int band = first; band <= last && band < kBandCount && band - first < recordsHeld;
         ++band) {
        const uint8_t* record = payload + kPeqBandsAt + (band - first) * kBandRecordSize;
        if (record[0] != 0 || record[1] != 0) // an empty band area keeps the gains
            m_gains[band] = static_cast<int8_t>(record[4]);
    }
    m_modeIndex = payload[kPeqModeAt];
    // The acknowledgement echoes the first and last band of the frame.
    const uint8_t reply[3] = {kStatusOk, uint8_t(first), uint8_t(last)};
    return this->reply(frame::SetPeq, reply, sizeof reply);
}

std::optional<Report> HeadsetFirmware::applySwitch(const uint8_t* payload)
{
    m_surroundOn = payload[kSwitchSurroundAt];
    if (payload[kSwitchNoiseCancellationAt] != 0) // 0 leaves noise cancellation as it is
        m_noiseCancellation = payload[kSwitchNoiseCancellationAt];
    return statusOnly(frame::SetAlgorithmSwitch);
}

std::optional<Report> HeadsetFirmware::statusOnly(uint8_t code) const
{
    const uint8_t reply[1] = {kStatusOk};
    return this->reply(code, reply, sizeof reply);
}

std::optional<Report> HeadsetFirmware::reply(uint8_t code, const uint8_t* payload, int length) const
{
    uint8_t shaped[kReportSize] = {};
    std::copy_n(payload, length, shaped);
    if (m_faults.errorStatus)
        shaped[0] = kStatusError;
    Report report = frame::buildReply(m_faults.marker, code, shaped, length, m_faults.reportSize);
    if (m_faults.badChecksum)
        report[frame::kPayloadOffset + length] ^= 0x5A;
    if (m_faults.garbage) {
        for (size_t i = 0; i < report.size(); ++i)
            report[i] = static_cast<uint8_t>(0xA5 ^ (i * 37));
    }
    return report;
}
