// A written report for the simulated firmware, handed over both ways it is
// called: by the program, in a 64-byte buffer with the report's length, and by
// the virtual headset tool, in a buffer of exactly the report's length. The
// reply and what the firmware keeps must not depend on bytes past the length,
// and every reply must pass the program's acceptance rule.

#include "GuardedBytes.h"
#include "HeadsetFirmware.h"

#include <algorithm>

namespace {

struct Outcome
{
    std::optional<InputReport> reply;
    int micVolume;
    int noiseCancellation;
    int surroundOn;
    int modeIndex;
    EqGains gains;

    bool operator==(const Outcome& other) const
    {
        const bool sameReply =
            reply.has_value() == other.reply.has_value() &&
            (!reply || (reply->length == other.reply->length && reply->data == other.reply->data));
        return sameReply && micVolume == other.micVolume &&
               noiseCancellation == other.noiseCancellation && surroundOn == other.surroundOn &&
               modeIndex == other.modeIndex && gains == other.gains;
    }
};

Outcome respondTo(const uint8_t* buffer, int length)
{
    HeadsetFirmware firmware;
    Outcome outcome{firmware.respond(buffer, length), 0, 0, 0, 0, {}};
    outcome.micVolume = firmware.micVolume();
    outcome.noiseCancellation = firmware.noiseCancellation();
    outcome.surroundOn = firmware.surroundOn();
    outcome.modeIndex = firmware.modeIndex();
    outcome.gains = firmware.gains();
    return outcome;
}

// The program's 64-byte report buffer, the bytes past the length set to fill.
Report programBuffer(const uint8_t* data, size_t size, uint8_t fill)
{
    Report report;
    report.fill(fill);
    std::copy_n(data, size, report.begin());
    return report;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > size_t(kReportSize))
        return -1; // no report is longer
    const int length = int(size);
    const GuardedBytes exact(data, size);
    const Outcome byTool = respondTo(exact.data(), length);
    const Outcome byProgram = respondTo(programBuffer(data, size, 0x00).data(), length);
    const Outcome withNoise = respondTo(programBuffer(data, size, 0xFF).data(), length);
    fuzzCheck(byProgram == byTool, "both callers get the same answer");
    fuzzCheck(byProgram == withNoise, "bytes past the length change nothing");
    if (byTool.reply)
        fuzzCheck(frame::replyAccepted(byTool.reply->data.data(), byTool.reply->length),
                  "the program accepts every reply");
    return 0;
}
