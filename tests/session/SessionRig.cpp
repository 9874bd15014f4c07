#include "SessionRig.h"

#include "ConfigNames.h"
#include "DataFolder.h"
#include "TraceLog.h"

#include <QTest>

namespace {
constexpr int kDeadlineMs = 10000;
// Shorter than the window's, so that a unit that never answers fails fast.
constexpr int kUnitWaitMs = 500;
} // namespace

SessionRig::SessionRig(bool keepHeadsetInStep) : m_keepHeadsetInStep(keepHeadsetInStep)
{
    // In the throwaway home, like the program's own.
    initTraceLog();
}

SessionRig::~SessionRig() = default;

int SessionRig::addUnit(quint16 productId, const DeviceIdentity& identity, SoundPage reported,
                        bool plugged)
{
    HeadsetSettings settings;
    settings.productId = productId;
    settings.identity = identity;
    const int unit = m_backend.addHeadset(settings);
    setReportedPage(unit, reported);
    if (!plugged)
        m_backend.unplug(unit);
    return unit;
}

void SessionRig::setReportedPage(int unit, SoundPage page)
{
    m_backend.firmware(unit).settings().stateByte =
        page == SoundPage::Surround ? kSurroundState : kStereoState;
}

bool SessionRig::start()
{
    HeadsetSession::Options options;
    options.defaultFileFolder = dataFolder() + QLatin1Char('/') + kDefaultFileFolder;
    options.userFileFolder = userFileFolder(programBaseName());
    options.keepHeadsetInStep = m_keepHeadsetInStep;
    m_session = std::make_unique<HeadsetSession>(m_backend, &m_hotplug, options);
    m_commands = std::make_unique<CommandService>(*m_session, kUnitWaitMs);
    QObject::connect(m_session.get(), &HeadsetSession::notice, [this](const Notice& notice) {
        m_notices << notice.title + QStringLiteral(": ") + notice.text;
    });
    m_session->start();
    if (m_session->isOpen() &&
        !QTest::qWaitFor([this] { return m_session->unitKnown(); }, kDeadlineMs))
        return false;
    return settle();
}

bool SessionRig::restart()
{
    m_commands.reset();
    m_session.reset();
    return start();
}

remote::Result SessionRig::run(const QString& command, const QJsonObject& arguments)
{
    return m_commands->run({command, arguments});
}

std::optional<remote::Result> SessionRig::serve(const QString& command,
                                                const QJsonObject& arguments)
{
    std::optional<remote::Result> result;
    m_commands->serve({command, arguments},
                      [&result](const remote::Result& answer) { result = answer; });
    if (!QTest::qWaitFor([&result] { return result.has_value(); }, kDeadlineMs))
        return std::nullopt;
    return result;
}

void SessionRig::plugInOnly(int unit)
{
    m_backend.plug(unit);
    for (const std::string& path : m_backend.interfacePaths(unit))
        m_hotplug.arrive(QString::fromStdString(path));
}

// The interface the program talks to is a unit's last.
QString SessionRig::vendorInterfacePath(int unit) const
{
    return QString::fromStdString(m_backend.interfacePaths(unit).back());
}

bool SessionRig::plugIn(int unit)
{
    plugInOnly(unit);
    return QTest::qWaitFor([this] { return m_session->unitKnown(); }, kDeadlineMs) && settle();
}

bool SessionRig::pullOut(int unit)
{
    if (!settle())
        return false;
    m_backend.unplug(unit);
    for (const std::string& path : m_backend.interfacePaths(unit))
        m_hotplug.remove(QString::fromStdString(path));
    return !m_session->isOpen();
}

bool SessionRig::settle()
{
    return QTest::qWaitFor(
        [this] { return !m_session->isOpen() || m_session->link().awaitedReplies() == 0; },
        kDeadlineMs);
}

Frames SessionRig::frames() const
{
    Frames result;
    for (const auto& received : m_backend.receivedFrames())
        result.push_back(received.bytes);
    return result;
}

Frames SessionRig::framesWithCode(uint8_t code) const
{
    Frames result;
    for (const Frame& frame : frames())
        if (frame.size() > size_t(frame::kCodeOffset) && frame[frame::kCodeOffset] == code)
            result.push_back(frame);
    return result;
}

Frames SessionRig::lastPeqPair() const
{
    const Frames peq = framesWithCode(frame::SetPeq);
    return peq.size() < 2 ? peq : Frames(peq.end() - 2, peq.end());
}

QString SessionRig::userFile(quint16 productId, const DeviceIdentity& identity) const
{
    return userFilePath(productId, identity);
}
