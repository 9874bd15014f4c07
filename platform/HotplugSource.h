#pragma once
// Where the window learns that HID interfaces come and go. The real source
// watches udev; the manual one is driven by tests and the simulated headset,
// and both deliver the same two events carrying the interface path.

#include <QObject>
#include <QString>

class HotplugSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Begins delivering events; true at once when already started. False when
    // the source could not be set up: it then delivers nothing.
    virtual bool start() = 0;

signals:
    void deviceArrived(const QString& interfacePath);
    void deviceRemoved(const QString& interfacePath);
};

// The vendor ID of an interface path as four upper-case hexadecimal digits
// ("3206"), read from the HID device folder BBBB:VVVV:PPPP.NNNN in the path,
// so it is known on removal too, when the device is already gone. Empty when
// the path holds no such folder. Nested HID devices (a receiver's paired
// units) are named by the innermost folder.
QString vendorDigitsOfInterfacePath(const QString& sysfsPath);
// The product ID from the same folder, likewise ("1054").
QString productIdOfInterfacePath(const QString& sysfsPath);

// A source whose events are produced by calling arrive() and remove(). Like a
// real source it delivers nothing until start() has succeeded.
class ManualHotplugSource : public HotplugSource
{
    Q_OBJECT

public:
    using HotplugSource::HotplugSource;

    bool start() override;
    // Makes later start() calls fail, as a source that cannot be created;
    // a source already started stays started.
    void setStartFails(bool fails);

    void arrive(const QString& interfacePath);
    void remove(const QString& interfacePath);

private:
    bool m_started = false;
    bool m_startFails = false;
};
