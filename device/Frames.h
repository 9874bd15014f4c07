#pragma once
// The headset's frame codec: report layout, checksum, command frames, reply
// frames and the reply acceptance rule. Pure functions over fixed buffers, so
// every byte can be tested without a device.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "Vocabulary.h"

constexpr int kReportSize = 64;
constexpr int kShortReportSize = 32;
using Report = std::array<uint8_t, kReportSize>;
static_assert(sizeof(Report) == 64, "a report buffer holds one 64-byte HID report");

namespace frame {
// Report selectors (byte 0): the HID report ID, which also fixes the length.
constexpr uint8_t kShortCommand = 'N'; // 32-byte report
constexpr uint8_t kLongCommand = 'O';  // 64-byte report
constexpr uint8_t kReplyHash = '#';
constexpr uint8_t kReplyDollar = '$';

// Header bytes 1-3; bytes 2 and 3 swap places between the two directions.
constexpr uint8_t kHeader1 = '0';
constexpr uint8_t kCommandHeader2 = 0x80;
constexpr uint8_t kCommandHeader3 = 0x18;
constexpr uint8_t kReplyHeader2 = 0x18;
constexpr uint8_t kReplyHeader3 = 0x80;

constexpr int kCodeOffset = 4;
constexpr int kLengthOffset = 5;
constexpr int kPayloadOffset = 6;

enum Code : uint8_t
{
    ReadVersion = 0x01,
    ReadAudio = 0x20,
    SetPeq = 0x21,
    SetMicVolume = 0x30,
    SetAlgorithmSwitch = 0x31,
    ReadStatus = 0x32,
};

// Bytes a report with this selector carries: 32 for 'N', 64 for 'O', else 0.
int commandLength(uint8_t selector);
// The largest payload that fits a report of the given size with its checksum.
constexpr int maxPayload(int reportSize)
{
    return reportSize - kPayloadOffset - 1;
}

// A command or reply frame: header, code, length, payload and checksum; the
// rest of the buffer is zero. The payload is cut to what the report can hold.
Report buildCommand(uint8_t selector, uint8_t code, const uint8_t* payload, int length);
Report buildReply(uint8_t marker, uint8_t code, const uint8_t* payload, int length,
                  int reportSize = kReportSize);

Report readVersionCommand();
Report readAudioCommand();
Report readStatusCommand();
Report setMicVolumeCommand(int level);
Report setAlgorithmSwitchCommand(int a, int surround, int noiseCancellation, int modeByte);

// The Q x 1000 values of the ten bands for a mode and a product, or nothing
// when the product has no table for that mode (its band area stays empty).
using QTable = std::array<uint16_t, kBandCount>;
std::optional<QTable> peqQTable(int modeIndex, uint16_t productId);
using ::kBandFrequencies;
Report setPeqCommand(int channel, int firstBand, int lastBand, int modeIndex, const EqGains& gains,
                     uint16_t productId);

// A reply is accepted when the report was 32 or 64 bytes, opens with '#' or
// '$' and the reply header, and its checksum lies inside the bytes read and
// matches.
bool replyAccepted(const uint8_t* report, int bytesRead);
inline uint8_t payloadByte(const uint8_t* frame, int k)
{
    return frame[kPayloadOffset + k];
}

// The state byte of a status reply picks the page: from 16 on surround,
// below it stereo.
constexpr int kFirstSurroundState = 16;
constexpr bool stateIsSurround(int stateByte)
{
    return stateByte >= kFirstSurroundState;
}

// Decoded parts of replies that the headset tools print.
std::string versionText(const uint8_t* replyFrame); // empty for "no version"
int sampleRateHz(int code);                         // 0 for an unknown code
} // namespace frame

// 8-bit sum of the first `length` bytes: header, code, length and payload.
uint8_t usbHidCheckSum(const uint8_t* data, int length);
