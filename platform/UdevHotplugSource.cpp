#include "UdevHotplugSource.h"

#include <QByteArray>
#include <QDebug>
#include <QSocketNotifier>

#include <libudev.h>

#include <cerrno>

namespace {

const char kSubsystem[] = "hidraw";

bool udevDaemonRunning(udev* context)
{
    udev_queue* queue = udev_queue_new(context);
    const bool running = queue && udev_queue_get_udev_is_active(queue);
    udev_queue_unref(queue);
    return running;
}

const char* monitorNameFor(UdevHotplugSource::Monitor monitor, udev* context)
{
    switch (monitor) {
    case UdevHotplugSource::Monitor::Udev:
        return "udev";
    case UdevHotplugSource::Monitor::Kernel:
        return "kernel";
    case UdevHotplugSource::Monitor::Automatic:
        break;
    }
    return udevDaemonRunning(context) ? "udev" : "kernel";
}

// libudev reports errors as negative codes or through errno.
bool failed(const QString& step, int errorCode)
{
    qWarning().noquote() << "Hot-plug monitor:" << step << "failed:" << qt_error_string(errorCode);
    return false;
}

} // namespace

UdevHotplugSource::UdevHotplugSource(Monitor monitor, QObject* parent)
    : HotplugSource(parent), m_requestedMonitor(monitor)
{}

UdevHotplugSource::~UdevHotplugSource()
{
    release();
}

bool UdevHotplugSource::start()
{
    if (m_notifier)
        return true;
    m_udev = udev_new();
    if (!m_udev)
        return failed(QStringLiteral("udev_new"), errno);
    const char* name = monitorNameFor(m_requestedMonitor, m_udev);
    if (!createMonitor(name)) {
        release();
        return false;
    }
    m_notifier = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this,
            &UdevHotplugSource::receivePendingDevices);
    m_monitorName = QString::fromLatin1(name);
    return true;
}

QString UdevHotplugSource::monitorName() const
{
    return m_monitorName;
}

bool UdevHotplugSource::createMonitor(const char* name)
{
    m_monitor = udev_monitor_new_from_netlink(m_udev, name);
    if (!m_monitor)
        return failed(QStringLiteral("opening the %1 monitor").arg(QLatin1String(name)), errno);
    int result = udev_monitor_filter_add_match_subsystem_devtype(m_monitor, kSubsystem, nullptr);
    if (result < 0)
        return failed(QStringLiteral("filtering hidraw devices"), -result);
    result = udev_monitor_enable_receiving(m_monitor);
    if (result < 0)
        return failed(QStringLiteral("enabling the monitor"), -result);
    return true;
}

// Called when the socket is readable: takes every event waiting, so one
// wake-up serves a whole burst (a headset brings several interfaces at once).
void UdevHotplugSource::receivePendingDevices()
{
    while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
        const QByteArray action = udev_device_get_action(device);
        const QString path = QString::fromLocal8Bit(udev_device_get_syspath(device));
        udev_device_unref(device);
        if (action == "add")
            emit deviceArrived(path);
        else if (action == "remove")
            emit deviceRemoved(path);
    }
    // errno is still that of the receive that ended the loop.
    if (errno == ENOBUFS)
        qWarning() << "Hot-plug monitor: events were lost, the receive buffer overflowed";
}

void UdevHotplugSource::release()
{
    delete m_notifier; // before its socket closes
    m_notifier = nullptr;
    udev_monitor_unref(m_monitor);
    m_monitor = nullptr;
    udev_unref(m_udev);
    m_udev = nullptr;
    m_monitorName.clear();
}
