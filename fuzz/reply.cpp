// A reply report of any length up to 64 bytes, as a headset link reads it:
// the link asked for a reply of the report's code, the event loop sees the
// report waiting, and the link takes it, checks it and announces it. The back
// end hands over exactly the bytes of the input, so that the link never reads
// a byte past the report.

#include "GuardedBytes.h"
#include "HeadsetLink.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

namespace {

constexpr uint16_t kProduct = 0x1054;

// One headset interface whose only report is the one a test input puts
// there; its descriptor is readable while that report waits.
class OneReportBackend : public HidBackend
{
public:
    OneReportBackend() : m_waiting(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~OneReportBackend() override { ::close(m_waiting); }
    OneReportBackend(const OneReportBackend&) = delete;
    OneReportBackend& operator=(const OneReportBackend&) = delete;

    void put(const uint8_t* report, size_t length)
    {
        m_report = report;
        m_length = length;
        const uint64_t one = 1;
        fuzzCheck(::write(m_waiting, &one, sizeof one) == sizeof one, "the report is announced");
    }

    std::vector<HidDeviceInfo> enumerate(uint16_t, uint16_t) override
    {
        return {{"/dev/hidraw0", kHeadsetVendorId, kProduct, 3, 0xFF00}};
    }
    HidDevice* open(const HidDeviceInfo&, std::string&) override { return new HidDevice; }
    int write(HidDevice*, const uint8_t*, size_t length) override { return int(length); }
    int read(HidDevice*, uint8_t* data, size_t length) override
    {
        if (!m_report)
            return 0;
        uint64_t count = 0;
        fuzzCheck(::read(m_waiting, &count, sizeof count) == sizeof count, "a report waited");
        const size_t taken = std::min(length, m_length);
        std::copy_n(m_report, taken, data);
        m_report = nullptr;
        return int(taken);
    }
    int readableDescriptor(HidDevice*) override { return m_waiting; }
    void close(HidDevice* device) override { delete device; }

private:
    int m_waiting;
    const uint8_t* m_report = nullptr;
    size_t m_length = 0;
};

// What the link announced for one input.
struct Announced
{
    int handled = 0;
    int typed = 0; // a typed signal or headsetError
    uint8_t handledCode = 0;
};

struct Rig
{
    int argc = 1;
    char name[16] = "fuzz_reply";
    char* argv[2] = {name, nullptr};
    QCoreApplication application{argc, argv};
    OneReportBackend backend;
    HeadsetLink link{backend};
    Announced announced;

    Rig()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("velumix.*=false"));
        link.setAcceptedProductIds({kProduct});
        const auto typed = [this] { ++announced.typed; };
        QObject::connect(&link, &HeadsetLink::versionReported, typed);
        QObject::connect(&link, &HeadsetLink::capabilitiesReported, typed);
        QObject::connect(&link, &HeadsetLink::peqAcknowledged, typed);
        QObject::connect(&link, &HeadsetLink::statusReported, typed);
        QObject::connect(&link, &HeadsetLink::headsetError, typed);
        QObject::connect(&link, &HeadsetLink::replyHandled, [this](uint8_t code) {
            ++announced.handled;
            announced.handledCode = code;
        });
    }
};

Rig& rig()
{
    static Rig* const kRig = new Rig; // lives as long as the process
    return *kRig;
}

bool announcesItself(uint8_t code)
{
    return code == frame::ReadVersion || code == frame::ReadAudio || code == frame::SetPeq ||
           code == frame::ReadStatus;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > size_t(kReportSize))
        return -1; // a read returns one report at most
    Rig& r = rig();
    const int bytesRead = int(size);
    const GuardedBytes exact(data, size);
    const bool accepted = frame::replyAccepted(exact.data(), bytesRead);
    Report padded{};
    std::copy_n(data, size, padded.begin());
    fuzzCheck(frame::replyAccepted(padded.data(), bytesRead) == accepted,
              "acceptance depends only on the bytes read");

    fuzzCheck(r.link.open().ok(), "the link opens");
    const uint8_t code = padded[frame::kCodeOffset];
    fuzzCheck(r.link.send(frame::buildCommand(frame::kLongCommand, code, nullptr, 0)).ok(),
              "the link asks");
    const int owed = r.link.awaitedReplies(code);
    r.announced = Announced{};
    r.backend.put(exact.data(), size);
    QCoreApplication::processEvents();

    const Announced& seen = r.announced;
    if (!accepted) {
        fuzzCheck(seen.handled == 0 && seen.typed == 0, "a refused reply signals nothing");
        fuzzCheck(r.link.awaitedReplies(code) == owed, "a refused reply is not counted");
    } else {
        fuzzCheck(seen.handled == 1 && seen.handledCode == code, "an awaited reply is handled");
        fuzzCheck(seen.typed == (announcesItself(code) || padded[frame::kPayloadOffset] == 1),
                  "a handled reply says what it reports or that the headset failed");
        fuzzCheck(r.link.awaitedReplies(code) == owed - 1, "a handled reply is counted");
    }
    r.link.close();
    return 0;
}
