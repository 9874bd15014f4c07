#include "HotplugSource.h"
#include "UdevHotplugSource.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <linux/netlink.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int kEventDeadlineMs = 2000;
const QString kFakeDevicesRoot = QStringLiteral("/devices/virtual/misc/uhid/");

// The sysfs folder of a fake hidraw node, as the kernel names it.
QByteArray fakeDevpath(const char* hidFolder, int node)
{
    return (kFakeDevicesRoot + hidFolder + QStringLiteral("/hidraw/hidraw%1").arg(node)).toUtf8();
}

// The path the monitor reports for a device folder.
QString sysPath(const QByteArray& devpath)
{
    return QStringLiteral("/sys") + QString::fromUtf8(devpath);
}

QStringList firstArguments(const QSignalSpy& spy)
{
    QStringList values;
    for (const QList<QVariant>& arguments : spy)
        values.append(arguments.at(0).toString());
    return values;
}

int openDescriptorCount()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
        .size();
}

// Lowers the soft descriptor limit to the lowest free descriptor, so that the
// next socket cannot be created; restores the limit when it goes.
class DescriptorsExhausted
{
public:
    DescriptorsExhausted()
    {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowestFree = dup(STDIN_FILENO);
        close(lowestFree);
        rlimit lowered = m_saved;
        lowered.rlim_cur = static_cast<rlim_t>(lowestFree);
        setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~DescriptorsExhausted() { setrlimit(RLIMIT_NOFILE, &m_saved); }

private:
    rlimit m_saved{};
};

// Has the kernel broadcast a uevent as one of its own, the way container
// managers forward events. Done only inside this test's private network
// namespace, so no other program on the machine ever sees these events.
class KernelUeventInjector
{
public:
    KernelUeventInjector()
        : m_socket(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT))
    {}
    ~KernelUeventInjector()
    {
        if (m_socket >= 0)
            close(m_socket);
    }

    // Empty on success, else the reason. The kernel appends the SEQNUM.
    QString send(const QByteArray& action, const QByteArray& devpath, const QByteArray& subsystem)
    {
        const QByteArray payload = action + '@' + devpath + '\0' + "ACTION=" + action + '\0' +
                                   "DEVPATH=" + devpath + '\0' + "SUBSYSTEM=" + subsystem + '\0';
        QByteArray message(NLMSG_LENGTH(payload.size()), '\0');
        auto* header = reinterpret_cast<nlmsghdr*>(message.data());
        header->nlmsg_len = message.size();
        header->nlmsg_type = NLMSG_MIN_TYPE; // lower types are control messages, skipped
        header->nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK;
        std::memcpy(NLMSG_DATA(header), payload.constData(), payload.size());

        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        if (sendto(m_socket, message.constData(), message.size(), 0,
                   reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel) < 0)
            return QStringLiteral("sending: ") + qt_error_string(errno);
        return acknowledgement();
    }

private:
    QString acknowledgement()
    {
        char reply[NLMSG_SPACE(sizeof(nlmsgerr))];
        const ssize_t length = recv(m_socket, reply, sizeof reply, 0);
        if (length < static_cast<ssize_t>(NLMSG_LENGTH(sizeof(nlmsgerr))))
            return QStringLiteral("no acknowledgement: ") + qt_error_string(errno);
        const int error =
            static_cast<const nlmsgerr*>(NLMSG_DATA(reinterpret_cast<nlmsghdr*>(reply)))->error;
        return error == 0 ? QString() : QStringLiteral("refused: ") + qt_error_string(-error);
    }

    int m_socket;
};

} // namespace

class TestHotplug : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void idsOfInterfacePath_data();
    void idsOfInterfacePath();

    void manualSourceDeliversOnlyOnceStarted_data();
    void manualSourceDeliversOnlyOnceStarted();

    void automaticMonitorFollowsTheDaemon();
    void failedStartLeavesNothingBehind();

    void kernelEventsReachTheSignals_data();
    void kernelEventsReachTheSignals();
    void burstOfInterfacesArrivesWholeAndInOrder();

private:
    // Why made-up kernel events cannot be delivered here; empty when they can.
    QString m_injectionUnavailable;
};

void TestHotplug::initTestCase()
{
    // Events are made up only where nobody else can receive them.
    if (unshare(CLONE_NEWNET) != 0) {
        m_injectionUnavailable =
            QStringLiteral("no private network namespace: ") + qt_error_string(errno);
        return;
    }
    const QString probeFailure =
        KernelUeventInjector().send("change", "/devices/virtual/probe", "probe");
    if (!probeFailure.isEmpty())
        m_injectionUnavailable =
            QStringLiteral("the kernel does not forward events: ") + probeFailure;
}

void TestHotplug::idsOfInterfacePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("vendor");
    QTest::addColumn<QString>("product");

    QTest::newRow("USB headset") << "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.3/"
                                    "0003:3206:1054.0007/hidraw/hidraw3"
                                 << "3206"
                                 << "1054";
    QTest::newRow("uhid") << "/sys/devices/virtual/misc/uhid/0003:3206:4130.0001/hidraw/hidraw0"
                          << "3206"
                          << "4130";
    QTest::newRow("Bluetooth")
        << "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-10/1-10:1.0/bluetooth/hci0/hci0:256/"
           "0005:3206:104D.000A/hidraw/hidraw5"
        << "3206"
        << "104D";
    QTest::newRow("lower-case hex") << "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.2/"
                                       "0003:046d:c52b.000b/hidraw/hidraw1"
                                    << "046D"
                                    << "C52B";
    QTest::newRow("running number past four digits")
        << "/sys/devices/virtual/misc/uhid/0003:3206:1029.1000A/hidraw/hidraw2"
        << "3206"
        << "1029";
    QTest::newRow("unit paired to a receiver")
        << "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.2/0003:046D:C52B.0003/"
           "0003:3206:4082.0004/hidraw/hidraw4"
        << "3206"
        << "4082";
    QTest::newRow("USB interface, no HID folder")
        << "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.3"
        << ""
        << "";
    QTest::newRow("PCI address only") << "/sys/devices/pci0000:00/0000:00:14.0"
                                      << ""
                                      << "";
    QTest::newRow("no running number")
        << "/sys/devices/virtual/misc/uhid/0003:3206:1054/hidraw/hidraw3"
        << ""
        << "";
    QTest::newRow("five-digit bus")
        << "/sys/devices/virtual/misc/uhid/00003:3206:1054.0007/hidraw/hidraw3"
        << ""
        << "";
    QTest::newRow("not hexadecimal")
        << "/sys/devices/virtual/misc/uhid/0003:32G6:1054.0007/hidraw/hidraw3"
        << ""
        << "";
    QTest::newRow("file name with a suffix") << "/tmp/0003:3206:1054.0007.txt"
                                             << ""
                                             << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void TestHotplug::idsOfInterfacePath()
{
    QFETCH(QString, path);
    QFETCH(QString, vendor);
    QFETCH(QString, product);

    QCOMPARE(vendorDigitsOfInterfacePath(path), vendor);
    QCOMPARE(productIdOfInterfacePath(path), product);
}

void TestHotplug::manualSourceDeliversOnlyOnceStarted_data()
{
    QTest::addColumn<bool>("startFails");
    QTest::addColumn<bool>("callStart");
    QTest::addColumn<bool>("delivers");

    QTest::newRow("started") << false << true << true;
    QTest::newRow("never started") << false << false << false;
    QTest::newRow("start failed") << true << true << false;
}

void TestHotplug::manualSourceDeliversOnlyOnceStarted()
{
    QFETCH(bool, startFails);
    QFETCH(bool, callStart);
    QFETCH(bool, delivers);
    const QString headset = sysPath(fakeDevpath("0003:3206:1054.0001", 0));
    const QString drive = sysPath(fakeDevpath("0003:0781:5581.0002", 1));

    ManualHotplugSource source;
    source.setStartFails(startFails);
    QSignalSpy arrivals(&source, &HotplugSource::deviceArrived);
    QSignalSpy removals(&source, &HotplugSource::deviceRemoved);
    if (callStart)
        QCOMPARE(source.start(), delivers);
    source.arrive(headset);
    source.remove(drive);

    QCOMPARE(firstArguments(arrivals), delivers ? QStringList{headset} : QStringList{});
    QCOMPARE(firstArguments(removals), delivers ? QStringList{drive} : QStringList{});
}

void TestHotplug::automaticMonitorFollowsTheDaemon()
{
    UdevHotplugSource source;
    QVERIFY(source.monitorName().isEmpty());
    QVERIFY(source.start());
    // Without a daemon a "udev" monitor would stay silent for ever.
    const bool daemonRuns = QFileInfo::exists(QStringLiteral("/run/udev/control"));
    QCOMPARE(source.monitorName(), daemonRuns ? QStringLiteral("udev") : QStringLiteral("kernel"));
}

void TestHotplug::failedStartLeavesNothingBehind()
{
    const int descriptorsBefore = openDescriptorCount();
    {
        UdevHotplugSource source(UdevHotplugSource::Monitor::Kernel);
        {
            DescriptorsExhausted exhausted;
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("opening the kernel monitor failed: \\S"));
            QVERIFY(!source.start());
        }
        QVERIFY(source.monitorName().isEmpty());
        QVERIFY(source.start());
        QCOMPARE(source.monitorName(), QStringLiteral("kernel"));
    }
    QCOMPARE(openDescriptorCount(), descriptorsBefore);
}

void TestHotplug::kernelEventsReachTheSignals_data()
{
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<QByteArray>("subsystem");
    QTest::addColumn<bool>("arrives");
    QTest::addColumn<bool>("removed");

    QTest::newRow("add") << QByteArray("add") << QByteArray("hidraw") << true << false;
    QTest::newRow("remove") << QByteArray("remove") << QByteArray("hidraw") << false << true;
    QTest::newRow("change") << QByteArray("change") << QByteArray("hidraw") << false << false;
    QTest::newRow("other subsystem") << QByteArray("add") << QByteArray("input") << false << false;
}

void TestHotplug::kernelEventsReachTheSignals()
{
    QFETCH(QByteArray, action);
    QFETCH(QByteArray, subsystem);
    QFETCH(bool, arrives);
    QFETCH(bool, removed);
    if (!m_injectionUnavailable.isEmpty())
        QSKIP(qPrintable(m_injectionUnavailable));
    UdevHotplugSource source(UdevHotplugSource::Monitor::Kernel);
    QVERIFY(source.start());
    QSignalSpy arrivals(&source, &HotplugSource::deviceArrived);
    QSignalSpy removals(&source, &HotplugSource::deviceRemoved);
    const QByteArray headset = fakeDevpath("0003:3206:1054.0001", 3);
    // Events keep their order, so once the marker is in, the event is judged.
    const QByteArray marker = fakeDevpath("0003:0781:5581.0002", 9);

    KernelUeventInjector kernel;
    QCOMPARE(kernel.send(action, headset, subsystem), QString());
    QCOMPARE(kernel.send("add", marker, "hidraw"), QString());
    QTRY_VERIFY_WITH_TIMEOUT(firstArguments(arrivals).contains(sysPath(marker)), kEventDeadlineMs);

    const QStringList headsetOnly{sysPath(headset)};
    QCOMPARE(firstArguments(arrivals),
             (arrives ? headsetOnly : QStringList{}) + QStringList{sysPath(marker)});
    QCOMPARE(firstArguments(removals), removed ? headsetOnly : QStringList{});
}

void TestHotplug::burstOfInterfacesArrivesWholeAndInOrder()
{
    if (!m_injectionUnavailable.isEmpty())
        QSKIP(qPrintable(m_injectionUnavailable));
    UdevHotplugSource source(UdevHotplugSource::Monitor::Kernel);
    QVERIFY(source.start());
    QSignalSpy arrivals(&source, &HotplugSource::deviceArrived);
    QSignalSpy removals(&source, &HotplugSource::deviceRemoved);
    const QList<QByteArray> interfaces = {fakeDevpath("0003:3206:1054.0001", 0),
                                          fakeDevpath("0003:3206:1054.0002", 1),
                                          fakeDevpath("0003:3206:1054.0003", 2)};
    KernelUeventInjector kernel;
    QStringList paths;
    for (const QByteArray& devpath : interfaces) {
        QCOMPARE(kernel.send("add", devpath, "hidraw"), QString());
        paths.append(sysPath(devpath));
    }
    QCOMPARE(kernel.send("remove", interfaces.first(), "hidraw"), QString());

    QTRY_COMPARE_WITH_TIMEOUT(arrivals.size() + removals.size(), interfaces.size() + 1,
                              kEventDeadlineMs);
    QCOMPARE(firstArguments(arrivals), paths);
    QCOMPARE(firstArguments(removals), QStringList{paths.first()});
    QCOMPARE(vendorDigitsOfInterfacePath(paths.last()), QStringLiteral("3206"));
}

QTEST_GUILESS_MAIN(TestHotplug)
#include "tst_hotplug.moc"
