#pragma once
// A headset session as the program runs it, without any window, against
// simulated headset units: units are plugged in and pulled out as a person
// does, the session is started and ended as the program is, and the checks
// look at what the session says, what the headset received and what the
// unit's file holds.

#include "CommandService.h"
#include "HeadsetSession.h"
#include "HotplugSource.h"
#include "SimulatedHeadset.h"
#include "TestFrames.h"
#include "ThrowawayHome.h"
#include "UnitFiles.h"

#include <QStringList>

#include <memory>

constexpr quint16 kHalden = 0x1054; // headset model 1
constexpr quint16 kMorvik = 0x1029; // headset model 2
constexpr DeviceIdentity kUnitA{0x0a, 0x1b, 0x2c, 0x3d};
constexpr DeviceIdentity kUnitB{0x11, 0x22, 0x33, 0x44};
constexpr uint8_t kSurroundState = 16;
constexpr uint8_t kStereoState = 15;

class SessionRig
{
public:
    explicit SessionRig(bool keepHeadsetInStep = true);
    ~SessionRig();

    // A unit reporting the page given; plugged: there when the session starts.
    int addUnit(quint16 productId, const DeviceIdentity& identity,
                SoundPage reported = SoundPage::Surround, bool plugged = true);
    void setReportedPage(int unit, SoundPage page);

    // Starts the session as the program does and waits until the unit it
    // found (if any) is known and every reply is in.
    bool start();
    // The program ends and starts again; the units stay as they are.
    bool restart();
    void stop() { m_session.reset(); }
    HeadsetSession& session() { return *m_session; }
    remote::Result run(const QString& command, const QJsonObject& arguments = {});
    // As the window's socket serves it: the result, once it comes.
    std::optional<remote::Result> serve(const QString& command, const QJsonObject& arguments = {});
    SimulatedHidBackend& backend() { return m_backend; }

    bool plugIn(int unit);
    // Plugs the unit in without waiting for anything.
    void plugInOnly(int unit);
    QString vendorInterfacePath(int unit) const;
    bool pullOut(int unit);
    // Waits until the link owes no reply and no live edit waits to be sent.
    bool settle();

    Frames frames() const;
    Frames framesWithCode(uint8_t code) const;
    Frames lastPeqPair() const;
    void clearFrames() { m_backend.clearReceivedFrames(); }
    // The notices so far, each as "title: text".
    QStringList notices() const { return m_notices; }
    QString userFile(quint16 productId, const DeviceIdentity& identity) const;

private:
    ThrowawayHome m_home;
    SimulatedHidBackend m_backend;
    ManualHotplugSource m_hotplug;
    bool m_keepHeadsetInStep;
    std::unique_ptr<HeadsetSession> m_session;
    std::unique_ptr<CommandService> m_commands;
    QStringList m_notices;
};
