#pragma once
// Hot-plug events of hidraw interfaces from libudev's netlink monitor.

#include "HotplugSource.h"

class QSocketNotifier;
struct udev;
struct udev_monitor;

// Watches the monitor's socket with a QSocketNotifier on the object's thread,
// so the object sleeps until an event comes; "add" is delivered as
// deviceArrived, "remove" as deviceRemoved, both with the sysfs path of the
// hidraw device.
//
// Events normally come from the udev daemon, after it has applied its rules
// (device permissions included). Where no daemon runs (containers, some
// sandboxes) it would never send any, so the kernel's own events are taken
// instead; those come before udev's rules have been applied, so an arriving
// device may not be openable at once.
class UdevHotplugSource : public HotplugSource
{
    Q_OBJECT

public:
    enum class Monitor
    {
        Automatic, // the daemon's events when it runs, else the kernel's
        Udev,
        Kernel,
    };

    explicit UdevHotplugSource(Monitor monitor = Monitor::Automatic, QObject* parent = nullptr);
    ~UdevHotplugSource() override;

    // Reports the reason of a failure through qWarning.
    bool start() override;
    // The monitor in use, "udev" or "kernel"; empty until start() succeeded.
    QString monitorName() const;

private:
    bool createMonitor(const char* name);
    void receivePendingDevices();
    void release();

    Monitor m_requestedMonitor;
    QString m_monitorName;
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
};
