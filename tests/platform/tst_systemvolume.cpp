#include "PrivatePulseServer.h"
#include "SystemVolume.h"

#include <QLocalServer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QVector>

#include <optional>

namespace {

constexpr int kSignalDeadlineMs = 2000;
// The first attempt to connect again follows one second after the loss.
constexpr int kReconnectDeadlineMs = 10000;
constexpr int kPactlDeadlineMs = 10000;

// The fixture's folder; the tests' own servers live below it, so the
// fixture's cleanup stops them even after a crash.
QString fixtureDir()
{
    return qEnvironmentVariable("VELUMIX_PULSE_DIR");
}

// Runs pactl against the given server (empty: the fixture's, from
// PULSE_SERVER); returns its output, or nothing when it failed.
std::optional<QString> pactl(const QStringList& arguments, const QString& server = QString())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!server.isEmpty())
        environment.insert(QStringLiteral("PULSE_SERVER"), server);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(kPactlDeadlineMs) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning() << "pactl" << arguments << "failed:" << process.errorString()
                   << process.readAllStandardError();
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The raw volume of each channel of the fixture's default output device.
QVector<pa_volume_t> defaultSinkChannels()
{
    const std::optional<QString> text =
        pactl({QStringLiteral("get-sink-volume"), QStringLiteral("@DEFAULT_SINK@")});
    QVector<pa_volume_t> channels;
    if (!text)
        return channels;
    // "Volume: front-left: 24248 /  37% / -25.91 dB,   front-right: 24248 / ..."
    static const QRegularExpression channel(QStringLiteral("[\\w-]+:\\s+(\\d+)\\s+/"));
    for (auto match = channel.globalMatch(*text); match.hasNext();)
        channels.append(match.next().captured(1).toUInt());
    return channels;
}

int reportedPercent(QSignalSpy& spy)
{
    return spy.takeFirst().at(0).toInt();
}

enum class Trouble
{
    NoServer,
    SilentServer,
    NoOutputDevice
};

} // namespace

Q_DECLARE_METATYPE(Trouble)

class TestSystemVolume : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void percentRoundTrip_data();
    void percentRoundTrip();
    void volumeToPercentRoundsToNearest_data();
    void volumeToPercentRoundsToNearest();

    void setReachesServer_data();
    void setReachesServer();
    void setKeepsChannelBalance();
    void reportsOutsideChange_data();
    void reportsOutsideChange();
    void reportsDefaultSinkChange();
    void reportsFailedStep_data();
    void reportsFailedStep();
    void followsServerAfterRestart();
    void reportsServerComingAndGoing();
};

void TestSystemVolume::initTestCase()
{
    QVERIFY2(!fixtureDir().isEmpty() && qEnvironmentVariableIsSet("PULSE_SERVER"),
             "run through ctest: the pulse_server fixture provides the sound server");
}

void TestSystemVolume::percentRoundTrip_data()
{
    QTest::addColumn<int>("percent");
    for (int percent = 0; percent <= 100; ++percent)
        QTest::addRow("%d%%", percent) << percent;
}

void TestSystemVolume::percentRoundTrip()
{
    QFETCH(int, percent);
    QCOMPARE(SystemVolume::volumeToPercent(SystemVolume::percentToVolume(percent)), percent);
}

void TestSystemVolume::volumeToPercentRoundsToNearest_data()
{
    QTest::addColumn<pa_volume_t>("volume");
    QTest::addColumn<int>("percent");
    QTest::newRow("silent") << pa_volume_t(PA_VOLUME_MUTED) << 0;
    QTest::newRow("just under half a percent") << pa_volume_t(327) << 0;
    QTest::newRow("just over half a percent") << pa_volume_t(328) << 1;
    QTest::newRow("56.4 %") << pa_volume_t(36962) << 56;
    QTest::newRow("56.7 %") << pa_volume_t(37159) << 57;
    QTest::newRow("full") << pa_volume_t(PA_VOLUME_NORM) << 100;
    QTest::newRow("amplified to 150 %") << pa_volume_t(PA_VOLUME_NORM * 3 / 2) << 100;
    QTest::newRow("largest volume") << pa_volume_t(PA_VOLUME_MAX) << 100;
}

void TestSystemVolume::volumeToPercentRoundsToNearest()
{
    QFETCH(pa_volume_t, volume);
    QFETCH(int, percent);
    QCOMPARE(SystemVolume::volumeToPercent(volume), percent);
}

void TestSystemVolume::setReachesServer_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("percent");
    QTest::newRow("silent") << 0 << 0;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("53") << 53 << 53;
    QTest::newRow("59") << 59 << 59;
    QTest::newRow("full") << 100 << 100;
    QTest::newRow("below range") << -5 << 0;
    QTest::newRow("above range") << 150 << 100;
}

void TestSystemVolume::setReachesServer()
{
    QFETCH(int, requested);
    QFETCH(int, percent);
    SystemVolume volume;

    const SystemVolumeResult set = volume.setSystemVolume(requested);
    QVERIFY2(set.ok(), qPrintable(set.failedStep + ": " + set.reason));
    QCOMPARE(set.percent, percent);

    const pa_volume_t level = SystemVolume::percentToVolume(percent);
    QCOMPARE(defaultSinkChannels(), QVector<pa_volume_t>({level, level}));
    QCOMPARE(volume.getSystemVolume().percent, percent);
}

void TestSystemVolume::setKeepsChannelBalance()
{
    QVERIFY(pactl({QStringLiteral("set-sink-volume"), QStringLiteral("@DEFAULT_SINK@"),
                   QStringLiteral("32768"), QStringLiteral("16384")}));
    SystemVolume volume;

    QVERIFY(volume.setSystemVolume(100).ok());

    QCOMPARE(defaultSinkChannels(), QVector<pa_volume_t>({PA_VOLUME_NORM, PA_VOLUME_NORM / 2}));
    QCOMPARE(volume.getSystemVolume().percent, 100);
}

void TestSystemVolume::reportsOutsideChange_data()
{
    QTest::addColumn<QString>("outsideVolume");
    QTest::addColumn<int>("percent");
    QTest::newRow("whole percent") << QStringLiteral("23%") << 23;
    QTest::newRow("between percents") << QStringLiteral("37159") << 57;
    QTest::newRow("amplified") << QStringLiteral("150%") << 100;
}

void TestSystemVolume::reportsOutsideChange()
{
    QFETCH(QString, outsideVolume);
    QFETCH(int, percent);
    SystemVolume volume;
    QSignalSpy changes(&volume, &SystemVolume::systemVolumeChanged);
    QVERIFY(volume.setSystemVolume(10).ok());

    QVERIFY(pactl(
        {QStringLiteral("set-sink-volume"), QStringLiteral("@DEFAULT_SINK@"), outsideVolume}));

    // The first report must be the outside change, not the echo of our own write.
    QVERIFY(changes.wait(kSignalDeadlineMs));
    QCOMPARE(reportedPercent(changes), percent);
}

void TestSystemVolume::reportsDefaultSinkChange()
{
    const std::optional<QString> originalSink = pactl({QStringLiteral("get-default-sink")});
    QVERIFY(originalSink);
    const std::optional<QString> module =
        pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
               QStringLiteral("sink_name=velumix_second")});
    QVERIFY(module);
    const auto restore = qScopeGuard([&] {
        pactl({QStringLiteral("set-default-sink"), *originalSink});
        pactl({QStringLiteral("unload-module"), *module});
    });
    SystemVolume volume;
    QSignalSpy changes(&volume, &SystemVolume::systemVolumeChanged);
    QVERIFY(volume.setSystemVolume(70).ok());

    // A device that is not the default one changes nothing...
    QVERIFY(pactl({QStringLiteral("set-sink-volume"), QStringLiteral("velumix_second"),
                   QStringLiteral("33%")}));
    // ...until it becomes the default.
    QVERIFY(pactl({QStringLiteral("set-default-sink"), QStringLiteral("velumix_second")}));

    QVERIFY(changes.wait(kSignalDeadlineMs));
    QCOMPARE(reportedPercent(changes), 33);
    QCOMPARE(volume.getSystemVolume().percent, 33);
}

void TestSystemVolume::reportsFailedStep_data()
{
    QTest::addColumn<Trouble>("trouble");
    QTest::addColumn<QString>("step");
    QTest::newRow("no server") << Trouble::NoServer << QStringLiteral("connect");
    QTest::newRow("server never answers") << Trouble::SilentServer << QStringLiteral("connect");
    QTest::newRow("no output device") << Trouble::NoOutputDevice << QStringLiteral("default sink");
}

void TestSystemVolume::reportsFailedStep()
{
    QFETCH(Trouble, trouble);
    QFETCH(QString, step);
    QLocalServer silentServer;
    std::optional<PrivatePulseServer> deviceless;
    QString address;
    switch (trouble) {
    case Trouble::NoServer:
        address = QStringLiteral("unix:%1/nobody-listens").arg(fixtureDir());
        break;
    case Trouble::SilentServer:
        // Accepts connections and never says a word.
        QVERIFY(silentServer.listen(fixtureDir() + QStringLiteral("/silent")));
        address = QStringLiteral("unix:") + silentServer.fullServerName();
        break;
    case Trouble::NoOutputDevice:
        deviceless.emplace(QStringLiteral("deviceless"));
        QVERIFY(deviceless->start());
        QVERIFY(pactl({QStringLiteral("unload-module"), QStringLiteral("module-null-sink")},
                      deviceless->address()));
        address = deviceless->address();
        break;
    }
    SystemVolume volume(address);

    for (const SystemVolumeResult& result :
         {volume.getSystemVolume(), volume.setSystemVolume(50)}) {
        QCOMPARE(result.failedStep, step);
        QVERIFY(!result.reason.isEmpty());
    }
}

void TestSystemVolume::followsServerAfterRestart()
{
    PrivatePulseServer server(QStringLiteral("restarted"));
    QVERIFY(server.start());
    SystemVolume volume(server.address());
    QVERIFY(volume.setSystemVolume(40).ok());
    QSignalSpy changes(&volume, &SystemVolume::systemVolumeChanged);

    QVERIFY(server.stop());
    QVERIFY(!volume.getSystemVolume().ok());
    QVERIFY(server.start()); // a new server's output device starts at full volume

    QVERIFY(changes.wait(kReconnectDeadlineMs));
    QCOMPARE(reportedPercent(changes), 100);
    // The new connection follows outside changes as the old one did.
    QVERIFY(pactl({QStringLiteral("set-sink-volume"), QStringLiteral("@DEFAULT_SINK@"),
                   QStringLiteral("20%")},
                  server.address()));
    QVERIFY(changes.wait(kSignalDeadlineMs));
    QCOMPARE(reportedPercent(changes), 20);
}

void TestSystemVolume::reportsServerComingAndGoing()
{
    PrivatePulseServer server(QStringLiteral("coming-and-going"));
    QVERIFY(server.start());
    SystemVolume volume(server.address());
    QSignalSpy availability(&volume, &SystemVolume::serverAvailabilityChanged);
    QVERIFY(volume.serverReachable());
    QVERIFY(availability.wait(kSignalDeadlineMs));
    QCOMPARE(availability.takeFirst().at(0).toBool(), true);

    QVERIFY(server.stop());
    QVERIFY(availability.wait(kSignalDeadlineMs));
    QCOMPARE(availability.takeFirst().at(0).toBool(), false);
    QVERIFY(!volume.serverReachable());

    QVERIFY(server.start());
    QVERIFY(availability.wait(kReconnectDeadlineMs));
    QCOMPARE(availability.takeFirst().at(0).toBool(), true);
    QVERIFY(volume.serverReachable());
    // Each change is told once.
    QVERIFY(!availability.wait(kSignalDeadlineMs / 4));
}

QTEST_GUILESS_MAIN(TestSystemVolume)
#include "tst_systemvolume.moc"
