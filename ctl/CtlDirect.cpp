#include "CtlDirect.h"

#include "CommandData.h"
#include "CommandService.h"
#include "CommandTable.h"
#include "ConfigNames.h"
#include "CtlOptions.h"
#include "DataFolder.h"
#include "Diagnostics.h"
#include "HeadsetSession.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

#include <functional>
#include <optional>

Q_LOGGING_CATEGORY(lcCtl, "velumix.ctl")

using remote::Request;
using remote::Result;

namespace {

// How long the headset has for its answers, each time velumixctl waits.
constexpr int kReplyTimeoutMs = 1000;

Result noReply()
{
    return Result::failure(remote::ExitNoReply,
                           QStringLiteral("the headset did not reply in time"));
}

Result headsetError()
{
    return Result::failure(remote::ExitHeadsetError,
                           QStringLiteral("the headset reported an error"));
}

Result writeFailed()
{
    return Result::failure(remote::ExitWriteFailed,
                           QStringLiteral("writing to the headset failed."));
}

Result needsWindow(const Request& request)
{
    const bool simulated = request.command == QLatin1String("simulate");
    return Result::failure(
        remote::ExitNoWindow,
        QStringLiteral("%1 needs the running window (start velumix%2)")
            .arg(request.command, simulated ? QStringLiteral(" --simulate") : QString()));
}

Result openFailure(const LinkOpened& opened, const QString& device)
{
    if (opened.outcome == LinkOpened::Refused)
        return Result::failure(
            remote::ExitOpenFailed,
            QStringLiteral("cannot open the headset at %1 (%2). If you lack permission, install "
                           "the udev rule (see README: 'Access to the headset').")
                .arg(QString::fromStdString(opened.path), QString::fromStdString(opened.reason)));
    if (!device.isEmpty())
        return Result::failure(remote::ExitNoHeadset,
                               QStringLiteral("no headset at %1").arg(device));
    return remote::noHeadsetFound();
}

// Runs the event loop until `done` holds, the link is lost or the time is
// up; whether `done` holds. Each reply the link handles may be the last.
bool waitFor(HeadsetLink& link, const std::function<bool()>& done)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&link, &HeadsetLink::replyHandled, &loop, [&] {
        if (done())
            loop.quit();
    });
    QObject::connect(&link, &HeadsetLink::lost, &loop, &QEventLoop::quit);
    deadline.start(kReplyTimeoutMs);
    loop.exec();
    return done();
}

// The link is open and owes no reply.
bool settled(HeadsetLink& link)
{
    return waitFor(link, [&link] { return link.isOpen() && link.awaitedReplies() == 0; });
}

// The identity a headset's status reply names, opened at its interface alone.
std::optional<QString> identityAt(const HidDeviceInfo& entry, const HeadsetLink& accepting,
                                  const DirectHeadset& headset)
{
    HeadsetLink probe(headset.backend);
    probe.setAcceptedProductIds(accepting.acceptedProductIds());
    probe.setWantedPath(entry.path);
    probe.setFrameTap(headset.frameTap);
    std::optional<QString> identity;
    QObject::connect(&probe, &HeadsetLink::statusReported, [&](const HeadsetStatus& status) {
        identity = identityToHex(status.identity);
    });
    if (probe.open().ok() && probe.readStatus().ok())
        waitFor(probe, [&] { return identity.has_value(); });
    return identity;
}

// One command against a session of velumixctl's own.
class DirectRun
{
public:
    explicit DirectRun(const DirectHeadset& headset)
        : m_headset(headset), m_session(headset.backend, nullptr, sessionOptions(headset)),
          m_service(m_session)
    {
        HeadsetLink& link = m_session.link();
        link.setFrameTap(headset.frameTap);
        QObject::connect(&link, &HeadsetLink::headsetError, [this] { m_errorReported = true; });
        // The window shows these to a person; here they only explain a failure.
        QObject::connect(&m_session, &HeadsetSession::notice, [](const Notice& notice) {
            debugLine(lcCtl(), notice.text + QLatin1Char(' ') + notice.detail);
        });
    }

    Result run(const Request& request)
    {
        const remote::CommandRow& command = *remote::findCommand(request.command);
        if (!remote::needsHeadset(command, request.arguments)) {
            m_session.readDefaultFiles();
            return m_service.run(request);
        }
        if (const Result opened = open(); !opened.ok())
            return opened;
        if (command.needs == remote::CommandRow::Unit)
            if (const Result known = awaitUnit(); !known.ok())
                return known;
        const Result result = m_service.run(request);
        if (!result.ok())
            return result;
        if (!settled(m_session.link()))
            return noReply();
        return m_errorReported ? headsetError() : result;
    }

private:
    static HeadsetSession::Options sessionOptions(const DirectHeadset& headset)
    {
        HeadsetSession::Options options;
        options.defaultFileFolder = defaultFileFolder();
        options.userFileFolder = userFileFolder(kWindowProgramName);
        options.keepHeadsetInStep = false;
        options.acceptedProductIds = headset.acceptedProductIds;
        return options;
    }

    // Opens the only headset, or the one --device names.
    Result open()
    {
        const QString& device = m_headset.device;
        if (parseIdentity(device)) {
            const std::optional<std::string> path = interfaceOfUnit(device);
            if (!path)
                return Result::failure(remote::ExitNoHeadset,
                                       QStringLiteral("no headset with identity %1").arg(device));
            m_session.link().setWantedPath(*path);
        } else {
            m_session.link().setWantedPath(device.toStdString());
        }
        const LinkOpened opened = m_session.start();
        if (!opened.ok())
            return openFailure(opened, device);
        // The open asks the headset what it is; a write that failed there
        // would leave every answer missing.
        return m_session.link().failedWrites() > 0 ? writeFailed() : Result::success();
    }

    // The interface of the unit with this identity: each accepted interface
    // is opened in turn and asked for its status.
    std::optional<std::string> interfaceOfUnit(const QString& identity)
    {
        m_session.readDefaultFiles();
        const HeadsetLink& link = m_session.link();
        for (const HidDeviceInfo& entry : link.acceptedInterfaces())
            if (identityAt(entry, link, m_headset) == identity)
                return entry.path;
        return std::nullopt;
    }

    Result awaitUnit()
    {
        if (!settled(m_session.link()))
            return noReply();
        if (!m_session.unitKnown())
            return m_errorReported ? headsetError() : noReply();
        return Result::success();
    }

    const DirectHeadset& m_headset;
    HeadsetSession m_session;
    CommandService m_service;
    bool m_errorReported = false;
};

} // namespace

QString defaultFileFolder()
{
    return dataFolder() + QLatin1Char('/') + kDefaultFileFolder;
}

Result runDirect(const Request& request, const DirectHeadset& headset)
{
    const remote::CommandRow& command = *remote::findCommand(request.command);
    if (command.needs == remote::CommandRow::Window)
        return needsWindow(request);
    return DirectRun(headset).run(request);
}
