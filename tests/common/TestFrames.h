#pragma once
// Frames as the headset receives them, for comparing what a test expects with
// what a simulated headset got.

#include "Frames.h"

#include <QByteArray>
#include <QTest>

#include <algorithm>
#include <vector>

using Frame = std::vector<uint8_t>;
using Frames = std::vector<Frame>;

// The bytes of a command: as many as its selector says ('N' 32, 'O' 64).
inline Frame bytesOf(const Report& report)
{
    return Frame(report.begin(), report.begin() + frame::commandLength(report[0]));
}

// The two PEQ frames of one send on channel 1: bands 0-4, then bands 5-9.
inline Frames peqPair(int modeIndex, const EqGains& gains, quint16 productId)
{
    return {bytesOf(frame::setPeqCommand(1, 0, 4, modeIndex, gains, productId)),
            bytesOf(frame::setPeqCommand(1, 5, 9, modeIndex, gains, productId))};
}

inline Frames concatenated(const Frames& first, const Frames& second)
{
    Frames all = first;
    all.insert(all.end(), second.begin(), second.end());
    return all;
}

// QTest prints frames this way when a comparison fails.
namespace QTest {
template <> inline char* toString(const Frames& frames)
{
    QByteArray text;
    for (const Frame& frame : frames) {
        // Frames end in zero padding; the checksum is the last byte that matters.
        const size_t used = frame.size() > size_t(frame::kLengthOffset)
                                ? size_t(frame::kPayloadOffset + frame[frame::kLengthOffset] + 1)
                                : frame.size();
        const int shown = int(std::min(used, frame.size()));
        text += QByteArray(reinterpret_cast<const char*>(frame.data()), shown).toHex(' ') + "\n";
    }
    return qstrdup(text.isEmpty() ? "(no frames)" : ("\n" + text).constData());
}
} // namespace QTest
