// The window's two volume sliders against a real (throwaway) PulseAudio
// server: they start at the server's volume, the user's moves set it, changes
// made elsewhere move them without ever being written back, and a missing
// server leaves them alone, disabled and saying why, until a server appears.

#include "BareWindow.h"
#include "PrivatePulseServer.h"
#include "Velumix.h"

#include <QtTest>

#include <optional>

namespace {

constexpr int kFollowDeadlineMs = 1000;
constexpr int kPactlDeadlineMs = 10000;
// The window tries the server again one second after losing it, then after
// two, four and eight seconds more.
constexpr int kReconnectDeadlineMs = 10000;

// Runs pactl against the server of PULSE_SERVER; its output, or nothing on failure.
std::optional<QString> pactl(const QStringList& arguments)
{
    QProcess process;
    process.start("pactl", arguments);
    if (!process.waitForFinished(kPactlDeadlineMs) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning() << "pactl" << arguments << "failed:" << process.errorString()
                   << process.readAllStandardError();
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool setServerVolume(const QString& volume)
{
    return pactl({"set-sink-volume", "@DEFAULT_SINK@", volume}).has_value();
}

// Each channel of the default output device as pactl reports it.
struct SinkVolume
{
    QVector<uint> raw;
    QVector<int> percent;
};

SinkVolume serverVolume()
{
    SinkVolume volume;
    const std::optional<QString> text = pactl({"get-sink-volume", "@DEFAULT_SINK@"});
    // "Volume: front-left: 24248 /  37% / -25.91 dB,   front-right: 24248 /  37% / ..."
    static const QRegularExpression channel(":\\s+(\\d+)\\s+/\\s+(\\d+)%");
    for (auto match = channel.globalMatch(text.value_or(QString())); match.hasNext();) {
        const QRegularExpressionMatch next = match.next();
        volume.raw.append(next.captured(1).toUInt());
        volume.percent.append(next.captured(2).toInt());
    }
    return volume;
}

// What the two sound pages show: each slider and its text box.
QString shownVolumes(const VelumixClass& form)
{
    return QStringLiteral("Slider_Voice1=%1 textEdit=%2 Slider_Voice1_2=%3 textEdit_2=%4")
        .arg(form.Slider_Voice1->value())
        .arg(form.textEdit->toPlainText())
        .arg(form.Slider_Voice1_2->value())
        .arg(form.textEdit_2->toPlainText());
}

QString shownEverywhere(int percent)
{
    return QStringLiteral("Slider_Voice1=%1 textEdit=%1 Slider_Voice1_2=%1 textEdit_2=%1")
        .arg(percent);
}

// Both sliders: whether they can be used and what their tooltip says.
QString sliderStates(const VelumixClass& form)
{
    QStringList states;
    // The slider's own state: without a headset the start screen keeps the
    // pages out of reach as well.
    for (const QSlider* slider : {form.Slider_Voice1, form.Slider_Voice1_2})
        states << QStringLiteral("%1 %2 \"%3\"")
                      .arg(slider->objectName(),
                           slider->testAttribute(Qt::WA_ForceDisabled) ? "disabled" : "enabled",
                           slider->toolTip());
    return states.join(", ");
}

QString slidersUsable()
{
    return "Slider_Voice1 enabled \"\", Slider_Voice1_2 enabled \"\"";
}

// Points the window's sound server address elsewhere for the scope's life.
class ServerAddress
{
public:
    explicit ServerAddress(const QByteArray& address) : m_fixture(qgetenv("PULSE_SERVER"))
    {
        qputenv("PULSE_SERVER", address);
    }
    ~ServerAddress() { qputenv("PULSE_SERVER", m_fixture); }
    ServerAddress(const ServerAddress&) = delete;
    ServerAddress& operator=(const ServerAddress&) = delete;

private:
    QByteArray m_fixture;
};

} // namespace

class VolumeWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void startsAtServerVolume_data();
    void startsAtServerVolume();
    void userMoveSetsServerVolume_data();
    void userMoveSetsServerVolume();
    void outsideChangeIsShownNotWrittenBack_data();
    void outsideChangeIsShownNotWrittenBack();
    void missingServerLeavesSliders();
    void missingServerDisablesSlidersAndSaysWhy();
    void slidersFollowTheServerComingAndGoing();
};

void VolumeWindowTest::initTestCase()
{
    QVERIFY2(qEnvironmentVariable("PULSE_SERVER").startsWith("unix:/tmp/velumix-pulse-"),
             "run through ctest: the pulse_server fixture provides the sound server");
    QVERIFY2(!serverVolume().percent.isEmpty(), "the fixture's server does not answer");
}

void VolumeWindowTest::startsAtServerVolume_data()
{
    QTest::addColumn<QString>("volume"); // as pactl takes it
    QTest::addColumn<int>("percent");
    QTest::newRow("silent") << "0%" << 0;
    QTest::newRow("42%") << "42%" << 42;
    QTest::newRow("between percents, nearest") << "56.7%" << 57;
    QTest::newRow("full") << "100%" << 100;
    QTest::newRow("amplified") << "150%" << 100;
}

void VolumeWindowTest::startsAtServerVolume()
{
    QFETCH(QString, volume);
    QFETCH(int, percent);
    QVERIFY(setServerVolume(volume));
    const SinkVolume before = serverVolume();

    // The window talks to no headset here.

    BareWindow bare;

    const Velumix& window = bare.window;

    QCOMPARE(shownVolumes(window.ui), shownEverywhere(percent));
    QCOMPARE(serverVolume().raw, before.raw); // showing it wrote nothing
}

void VolumeWindowTest::userMoveSetsServerVolume_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("startVolume");
    QTest::addColumn<int>("key"); // 0: the value is set directly
    QTest::addColumn<int>("percent");
    QTest::newRow("Slider_Voice1 to 30") << "Slider_Voice1"
                                         << "50%" << 0 << 30;
    QTest::newRow("Slider_Voice1_2 to 30") << "Slider_Voice1_2"
                                           << "50%" << 0 << 30;
    // Percentages whose level is easily rounded down on the way back.
    QTest::newRow("Slider_Voice1 to 53") << "Slider_Voice1"
                                         << "50%" << 0 << 53;
    QTest::newRow("Slider_Voice1_2 to 59") << "Slider_Voice1_2"
                                           << "50%" << 0 << 59;
    QTest::newRow("Slider_Voice1 to 0 by Home key") << "Slider_Voice1"
                                                    << "50%" << int(Qt::Key_Home) << 0;
    QTest::newRow("Slider_Voice1_2 one step up by Right key") << "Slider_Voice1_2"
                                                              << "29%" << int(Qt::Key_Right) << 30;
}

void VolumeWindowTest::userMoveSetsServerVolume()
{
    QFETCH(QString, slider);
    QFETCH(QString, startVolume);
    QFETCH(int, key);
    QFETCH(int, percent);
    QVERIFY(setServerVolume(startVolume));
    BareWindow bare;
    Velumix& window = bare.window;
    auto* moved = window.findChild<QSlider*>(slider);
    QVERIFY(moved);

    if (key == 0) {
        moved->setValue(percent);
    } else {
        // Keys reach the slider as on the main screen; without a headset the
        // start screen keeps the pages out of reach.
        window.ui.tabWidget->setEnabled(true);
        QTest::keyClick(moved, Qt::Key(key));
    }

    QCOMPARE(serverVolume().percent, QVector<int>({percent, percent}));
    QCOMPARE(shownVolumes(window.ui), shownEverywhere(percent));
}

void VolumeWindowTest::outsideChangeIsShownNotWrittenBack_data()
{
    QTest::addColumn<QString>("volume"); // as pactl takes it
    QTest::addColumn<int>("percent");
    QTest::newRow("between percents, nearest above") << "56.7%" << 57;
    QTest::newRow("between percents, nearest below") << "23.2%" << 23;
    QTest::newRow("silent") << "0%" << 0;
    QTest::newRow("amplified") << "150%" << 100;
}

void VolumeWindowTest::outsideChangeIsShownNotWrittenBack()
{
    QFETCH(QString, volume);
    QFETCH(int, percent);
    QVERIFY(setServerVolume("80%"));
    // The window talks to no headset here.
    BareWindow bare;
    const Velumix& window = bare.window;
    QCOMPARE(shownVolumes(window.ui), shownEverywhere(80));

    QVERIFY(setServerVolume(volume));
    const SinkVolume set = serverVolume();

    QTRY_COMPARE_WITH_TIMEOUT(shownVolumes(window.ui), shownEverywhere(percent), kFollowDeadlineMs);
    QCOMPARE(serverVolume().raw, set.raw);
}

void VolumeWindowTest::missingServerLeavesSliders()
{
    QTemporaryDir nowhere;
    QVERIFY(nowhere.isValid());
    const QByteArray fixtureServer = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(nowhere.filePath("native")));
    const auto restore = qScopeGuard([&] { qputenv("PULSE_SERVER", fixtureServer); });
    QMainWindow bareHost;
    VelumixClass bareForm;
    bareForm.setupUi(&bareHost);

    BareWindow bare;

    Velumix& window = bare.window;
    QCOMPARE(shownVolumes(window.ui), shownVolumes(bareForm));

    window.ui.Slider_Voice1->setValue(30);
    QCOMPARE(window.ui.Slider_Voice1->value(), 30);
    QCOMPARE(window.ui.textEdit->toPlainText(), QStringLiteral("30"));
}

void VolumeWindowTest::missingServerDisablesSlidersAndSaysWhy()
{
    QTemporaryDir nowhere;
    QVERIFY(nowhere.isValid());
    const ServerAddress missing("unix:" + QFile::encodeName(nowhere.filePath("native")));

    // The window talks to no headset here.

    BareWindow bare;

    const Velumix& window = bare.window;

    const QString why = window.ui.Slider_Voice1->toolTip();
    QVERIFY2(why.startsWith("No sound server (PulseAudio or PipeWire) is running"),
             qPrintable(why));
    QCOMPARE(
        sliderStates(window.ui),
        QStringLiteral("Slider_Voice1 disabled \"%1\", Slider_Voice1_2 disabled \"%1\"").arg(why));
}

void VolumeWindowTest::slidersFollowTheServerComingAndGoing()
{
    PrivatePulseServer server("window-server");
    const ServerAddress address(server.address().toUtf8());
    // The window talks to no headset here.
    BareWindow bare;
    const Velumix& window = bare.window;
    QVERIFY(!window.ui.Slider_Voice1->isEnabled());

    QVERIFY(server.start()); // a new server's output device starts at full volume

    QTRY_COMPARE_WITH_TIMEOUT(sliderStates(window.ui), slidersUsable(), kReconnectDeadlineMs);
    QCOMPARE(shownVolumes(window.ui), shownEverywhere(100));

    QVERIFY(server.stop());

    QTRY_VERIFY_WITH_TIMEOUT(window.ui.Slider_Voice1->testAttribute(Qt::WA_ForceDisabled),
                             kReconnectDeadlineMs);
    QVERIFY(window.ui.Slider_Voice1_2->testAttribute(Qt::WA_ForceDisabled));
    QVERIFY(window.ui.Slider_Voice1->toolTip().startsWith("No sound server"));
}

QTEST_MAIN(VolumeWindowTest)
#include "tst_volumewindow.moc"
