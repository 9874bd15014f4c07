#pragma once
// What the headset's firmware does with a command frame: the reply it sends
// and the settings it keeps. Shared by every simulated headset of the project,
// in-process or on the kernel's HID stack.

#include "Frames.h"

#include <optional>
#include <string>

struct HeadsetSettings
{
    uint16_t productId = 0x1054;
    DeviceIdentity identity{0x5a, 0x17, 0xc0, 0x01};
    uint8_t stateByte = 16; // 16 and above: the surround page
    bool stereoCapable = true;
    bool surroundCapable = true;
    std::string version = "VLX-FW 1.4.2";
    uint8_t sampleRateCode = 3; // 48000 Hz
};

// Ways the firmware can be told to misbehave, for tests and trials.
struct FirmwareFaults
{
    bool errorStatus = false; // status byte 1 in every reply
    bool badChecksum = false; // replies carry a wrong checksum
    bool garbage = false;     // replies are noise without a valid header
    bool silent = false;      // no reply at all
    uint8_t marker = frame::kReplyHash;
    int reportSize = kReportSize; // 32 or 64
};

// One input report as the headset sends it: 32 or 64 bytes of `data`.
struct InputReport
{
    Report data{};
    int length = kReportSize;
};

class HeadsetFirmware
{
public:
    explicit HeadsetFirmware(HeadsetSettings settings = {}) : m_settings(std::move(settings)) {}

    // The reply to one written report (byte 0 is the report ID), or nothing
    // for a report that is not a well-formed command or whose payload is too
    // short for its command. Reads no byte past `length`.
    std::optional<InputReport> respond(const uint8_t* data, int length);

    HeadsetSettings& settings() { return m_settings; }
    const HeadsetSettings& settings() const { return m_settings; }
    FirmwareFaults& faults() { return m_faults; }

    // What the host has set so far.
    int micVolume() const { return m_micVolume; }
    int noiseCancellation() const { return m_noiseCancellation; } // 1 on, 2 off
    int surroundOn() const { return m_surroundOn; }
    int modeIndex() const { return m_modeIndex; }
    const EqGains& gains() const { return m_gains; }

private:
    std::optional<Report> reply(uint8_t code, const uint8_t* payload, int length) const;
    std::optional<Report> handle(const uint8_t* frame);
    std::optional<Report> applyPeq(const uint8_t* payload, int payloadLength);
    std::optional<Report> applySwitch(const uint8_t* payload);
    std::optional<Report> statusOnly(uint8_t code) const;

    HeadsetSettings m_settings;
    FirmwareFaults m_faults;
    int m_micVolume = 100;
    int m_noiseCancellation = 2;
    int m_surroundOn = 1;
    int m_modeIndex = 0;
    EqGains m_gains{};
};
