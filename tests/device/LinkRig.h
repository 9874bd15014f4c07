#pragma once
// A headset link over a fresh simulated back end, and a record of every
// signal the link emits, for one test.

#include "HeadsetLink.h"
#include "SimulatedHeadset.h"
#include "TestFrames.h"

#include <QObject>
#include <QStringList>
#include <QTest>

#include <vector>

inline constexpr uint16_t kProduct = 0x1054;
// How long a test waits for a reply before it fails.
inline constexpr int kReplyWaitMs = 5000;

inline QString hexOf(uint8_t code)
{
    return QStringLiteral("0x%1").arg(code, 2, 16, QChar('0'));
}

// Every signal of a link as a line of text, in the order they came.
class LinkEvents : public QObject
{
public:
    explicit LinkEvents(HeadsetLink& link)
    {
        connect(&link, &HeadsetLink::versionReported, this,
                [this](const QString& version) { lines << "version " + version; });
        connect(&link, &HeadsetLink::capabilitiesReported, this,
                [this](const HeadsetCapabilities& c) {
                    lines << QStringLiteral("capabilities stereo %1 surround %2 %3 Hz")
                                 .arg(c.stereo)
                                 .arg(c.surround)
                                 .arg(c.sampleRateHz);
                });
        connect(&link, &HeadsetLink::peqAcknowledged, this, [this](int first, int last) {
            lines << QStringLiteral("peq %1-%2").arg(first).arg(last);
        });
        connect(&link, &HeadsetLink::statusReported, this, [this](const HeadsetStatus& s) {
            const QByteArray identity(reinterpret_cast<const char*>(s.identity.data()),
                                      int(s.identity.size()));
            lines << QStringLiteral("status %1 %2")
                         .arg(s.page == SoundPage::Surround ? "surround" : "stereo",
                              QString::fromLatin1(identity.toHex()));
        });
        connect(&link, &HeadsetLink::headsetError, this,
                [this](uint8_t code) { lines << "error " + hexOf(code); });
        connect(&link, &HeadsetLink::replyHandled, this,
                [this](uint8_t code) { lines << "handled " + hexOf(code); });
        connect(&link, &HeadsetLink::lost, this,
                [this](const QString& reason) { lines << "lost " + reason; });
    }

    QStringList lines;
};

struct LinkRig
{
    SimulatedHidBackend backend;
    HeadsetLink link{backend};

    explicit LinkRig(const std::vector<uint16_t>& accepted = {kProduct})
    {
        link.setAcceptedProductIds(accepted);
    }

    int addHeadset(uint16_t productId = kProduct, DeviceIdentity identity = {1, 2, 3, 4})
    {
        HeadsetSettings settings;
        settings.productId = productId;
        settings.identity = identity;
        return backend.addHeadset(settings);
    }

    // Every frame the headsets received, in order.
    Frames frames() const
    {
        Frames result;
        for (const auto& received : backend.receivedFrames())
            result.push_back(received.bytes);
        return result;
    }

    // Opens the link and waits until the reply to the open's version request
    // has been handled, so that a test starts from a quiet link.
    bool openAndSettle()
    {
        if (!link.open().ok())
            return false;
        return QTest::qWaitFor([this] { return link.awaitedReplies() == 0; }, kReplyWaitMs);
    }
};
