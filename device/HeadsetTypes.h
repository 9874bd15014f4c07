#pragma once
// The headset's vocabulary that the configuration files share with the link.

#include <array>
#include <cstdint>

// Ten equaliser bands, 30 Hz first: 30, 60, 120, 250, 500 Hz, 1, 2, 4, 8, 16 kHz.
constexpr int kBandCount = 10;
// Gains in whole dB, band 0 first.
using EqGains = std::array<int, kBandCount>;

// The four identity bytes a headset unit reports about itself, byte 0 first.
using DeviceIdentity = std::array<uint8_t, 4>;
static_assert(sizeof(DeviceIdentity) == 4, "the identity is handed over as one 4-byte word");
