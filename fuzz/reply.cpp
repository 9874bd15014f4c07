// A reply report of any length up to 64 bytes, as the link's reader gets it:
// the acceptance rule over exactly the bytes read, then the dispatch over the
// link's frame copy, as if the link had asked for that reply.

#include "GuardedBytes.h"
#include "SimulatedLink.h"

#include <QLoggingCategory>

#include <algorithm>

namespace {

void setUpOnce()
{
    static const bool done = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("velumix.*=false"));
        static SimulatedLink link;
        return true;
    }();
    (void)done;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > size_t(kReportSize))
        return -1; // a read returns one report at most
    setUpOnce();
    const int bytesRead = int(size);
    const GuardedBytes exact(data, size);
    const bool accepted = frame::replyAccepted(exact.data(), bytesRead);

    linkState.rxFrame.fill(0);
    std::copy_n(data, size, linkState.rxFrame.begin());
    fuzzCheck(frame::replyAccepted(linkState.rxFrame.data(), bytesRead) == accepted,
              "acceptance depends only on the bytes read");
    const uint8_t code = linkState.rxFrame[frame::kCodeOffset];
    linkState.awaitedReplies[code] = 1;
    const int signal = usbHidDispatchReply(bytesRead);
    if (!accepted) {
        fuzzCheck(signal == NoSignal, "a refused reply signals nothing");
        fuzzCheck(linkState.awaitedReplies[code] == 1, "a refused reply is not counted");
    } else {
        fuzzCheck(signal != NotAwaited, "an awaited reply is handled");
        fuzzCheck(linkState.awaitedReplies[code] == 0, "a handled reply is counted");
    }
    linkState.awaitedReplies[code] = 0;
    return 0;
}
