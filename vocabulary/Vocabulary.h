#pragma once
// The words every layer of the program shares: the two sound pages, the ten
// equaliser bands and their gains, a unit's identity and the number of custom
// slots a page shows. Nothing here does anything; it only names.

#include <array>
#include <cstdint>

// Numbered as the headset's own PEQ frames and the user files number them.
enum class SoundPage
{
    Stereo = 0,
    Surround = 1
};
// Both pages, in the order the window's tabs show them.
inline constexpr std::array<SoundPage, 2> kSoundPages{SoundPage::Surround, SoundPage::Stereo};

inline constexpr SoundPage otherPage(SoundPage page)
{
    return page == SoundPage::Surround ? SoundPage::Stereo : SoundPage::Surround;
}

// Ten equaliser bands, 30 Hz first.
inline constexpr int kBandCount = 10;
// Each band's centre in Hz, as the headset's frames carry it.
inline constexpr std::array<uint16_t, kBandCount> kBandFrequencies{30,   60,   120,  250,  500,
                                                                   1000, 2000, 4000, 8000, 16000};
// Gains in whole dB, band 0 first.
using EqGains = std::array<int, kBandCount>;
// The gains the headset takes: whole dB from kMinGain to kMaxGain.
inline constexpr int kMinGain = -12;
inline constexpr int kMaxGain = 12;

// The four identity bytes a headset unit reports about itself, byte 0 first.
using DeviceIdentity = std::array<uint8_t, 4>;
static_assert(sizeof(DeviceIdentity) == 4, "the identity is four bytes");

// The custom modes a page shows at most, in its slots 0..4.
inline constexpr int kCustomSlotCount = 5;
// A custom mode's name holds 1 to this many characters, not all blank.
inline constexpr int kMaxModeNameLength = 256;

// Every Velumix headset has this USB vendor ID.
inline constexpr uint16_t kHeadsetVendorId = 0x3206;
