// velumixctl: its command line, its exit codes and the frames it sends, run
// as a program and, for the headset's failures, in-process against a
// simulated headset told to misbehave.

#include "CtlCommands.h"
#include "SimulatedLink.h"

#include <QtTest>

#include <functional>

namespace {

struct Run
{
    int exitCode = -1;
    QStringList out;
    QString err;
};

Run runProgram(const QStringList& args)
{
    QProcess process;
    process.start(qEnvironmentVariable("VELUMIX_RUNTIME_DIR") + "/velumixctl", args);
    Run run;
    if (!process.waitForFinished(10000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString hexLine(const char* direction, const Report& report, int length)
{
    QString line = direction;
    for (int i = 0; i < length; ++i)
        line += QStringLiteral(" %1").arg(report[i], 2, 16, QChar('0'));
    return line;
}

using Fault = std::function<void(SimulatedHidBackend&, int unit)>;

} // namespace

Q_DECLARE_METATYPE(Fault)

class VelumixCtlTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("velumix.*.debug=false"); }
    void eqTracesThePeqPairAndItsAcknowledgements();
    void info();
    void listShowsOnlyTheVendorInterface();
    void badArgumentsSendNothing_data();
    void badArgumentsSendNothing();
    void headsetFailures_data();
    void headsetFailures();
};

void VelumixCtlTest::eqTracesThePeqPairAndItsAcknowledgements()
{
    const Run run = runProgram({"--simulate=4130", "--trace-frames", "eq", "--mode", "19",
                                "--gains", "0,0,0,0,0,0,0,0,0,0"});
    QCOMPARE(run.exitCode, 0);
    const EqGains flat{};
    const QStringList tx = run.out.filter(QRegularExpression("^TX"));
    QCOMPARE(tx, (QStringList{hexLine("TX", frame::readVersionCommand(), 32),
                              hexLine("TX", frame::setPeqCommand(1, 0, 4, 19, flat, 0x4130), 64),
                              hexLine("TX", frame::setPeqCommand(1, 5, 9, 19, flat, 0x4130), 64)}));
    // The 0x4130 mode-19 table for bands 5-9, as the headset receives it.
    QVERIFY(tx[2].startsWith("TX 4f 30 80 18 21 26 01 05 09 00 03 e8 07 d0 00 07 d0 07 d0 00 "
                             "0f a0 03 e8 00 1f 40 0f a0 00 3e 80 01 f4 00"));
    const uint8_t lowAck[] = {0, 0, 4};
    const uint8_t highAck[] = {0, 5, 9};
    const QStringList rx = run.out.filter(QRegularExpression("^RX 23 30 18 80 21"));
    QCOMPARE(rx, (QStringList{hexLine("RX", frame::buildReply('#', 0x21, lowAck, 3), 64),
                              hexLine("RX", frame::buildReply('#', 0x21, highAck, 3), 64)}));
}

void VelumixCtlTest::info()
{
    const Run run = runProgram({"--simulate=0f51", "info"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, (QStringList{"firmware: VLX-FW 1.4.2", "sample-rate: 48000", "stereo: 1",
                                   "surround: 1", "identity: 5a17c001", "state: 16"}));
}

void VelumixCtlTest::listShowsOnlyTheVendorInterface()
{
    const Run run = runProgram({"--simulate=1029", "list"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(
        run.out,
        QStringList{"3206 1029 3 ff00 "
                    "/sys/devices/virtual/velumix-sim/unit0/0003:3206:1029.0002/hidraw/hidraw1"});
}

void VelumixCtlTest::badArgumentsSendNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QStringList sim = {"--simulate", "--trace-frames"};
    QTest::newRow("no command") << sim << 2 << "no command given";
    QTest::newRow("unknown command") << sim + QStringList{"reboot"} << 2 << "unknown command";
    QTest::newRow("unknown option") << QStringList{"--loud", "info"} << 2 << "unknown option";
    QTest::newRow("gain above 12")
        << sim + QStringList{"eq", "--mode", "3", "--gains", "0,0,0,0,0,0,0,0,0,13"} << 2
        << "--gains";
    QTest::newRow("nine gains") << sim + QStringList{"eq", "--mode", "3", "--gains",
                                                     "0,0,0,0,0,0,0,0,0"}
                                << 2 << "--gains";
    QTest::newRow("gain not a number")
        << sim + QStringList{"eq", "--mode", "3", "--gains", "0,0,0,0,x,0,0,0,0,0"} << 2
        << "--gains";
    QTest::newRow("eq without mode")
        << sim + QStringList{"eq", "--gains", "0,0,0,0,0,0,0,0,0,0"} << 2 << "--mode";
    QTest::newRow("mic level 101") << sim + QStringList{"mic-volume", "101"} << 2 << "0 to 100";
    QTest::newRow("mic level negative") << sim + QStringList{"mic-volume", "-1"} << 2 << "0 to 100";
    QTest::newRow("enc maybe") << sim + QStringList{"enc", "maybe"} << 2 << "'on' or 'off'";
    QTest::newRow("switch byte 256")
        << sim + QStringList{"switch", "1", "0", "256", "0"} << 2 << "not a byte";
    QTest::newRow("malformed accept list")
        << QStringList{"--simulate", "--accept", "1054,,x", "info"} << 2 << "--accept";
    QTest::newRow("malformed simulated product")
        << QStringList{"--simulate=12g4", "info"} << 2 << "--simulate";
    QTest::newRow("product not accepted")
        << QStringList{"--simulate=1234", "--trace-frames", "info"} << 3 << "no headset found";
    QTest::newRow("accepted by --accept")
        << QStringList{"--simulate=1234", "--accept", "1234", "mic-volume", "50"} << 0 << "";
}

void VelumixCtlTest::badArgumentsSendNothing()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run run = runProgram(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    if (exitCode != 0)
        QVERIFY(run.out.filter(QRegularExpression("^TX")).isEmpty());
}

void VelumixCtlTest::headsetFailures_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("exitCode");
    const QStringList eq = {"eq", "--mode", "3", "--gains", "1,2,3,4,5,6,7,8,9,10"};
    QTest::newRow("open fails") << eq
                                << Fault([](SimulatedHidBackend& b, int) { b.setOpenFails(true); })
                                << int(ExitOpenFailed);
    QTest::newRow("write fails") << eq << Fault([](SimulatedHidBackend& b, int) {
        b.setWriteFails(true);
    }) << int(ExitWriteFailed);
    QTest::newRow("no reply") << eq << Fault([](SimulatedHidBackend& b, int unit) {
        b.firmware(unit).faults().silent = true;
    }) << int(ExitNoReply);
    QTest::newRow("broken replies")
        << QStringList{"info"} << Fault([](SimulatedHidBackend& b, int unit) {
               b.firmware(unit).faults().badChecksum = true;
           })
        << int(ExitNoReply);
    QTest::newRow("error status") << QStringList{"enc", "on"}
                                  << Fault([](SimulatedHidBackend& b, int unit) {
                                         b.firmware(unit).faults().errorStatus = true;
                                     })
                                  << int(ExitHeadsetError);
    QTest::newRow("32-byte replies are fine")
        << QStringList{"info"} << Fault([](SimulatedHidBackend& b, int unit) {
               b.firmware(unit).faults().reportSize = 32;
               b.firmware(unit).faults().marker = '$';
           })
        << int(ExitSuccess);
    QTest::newRow("unplugged") << QStringList{"mic-volume", "3"}
                               << Fault([](SimulatedHidBackend& b, int unit) { b.unplug(unit); })
                               << int(ExitNoHeadset);
}

void VelumixCtlTest::headsetFailures()
{
    QFETCH(QStringList, command);
    QFETCH(Fault, fault);
    QFETCH(int, exitCode);
    SimulatedLink link;
    const int unit = link.addHeadset();
    fault(link.backend, unit);
    CtlOptions options;
    options.command = command.first();
    options.arguments = command.mid(1);
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    QCOMPARE(runCtlCommand(options, outStream, errStream), exitCode);
    QCOMPARE(linkState.deviceOpened, 0); // the command always leaves the link closed
}

QTEST_GUILESS_MAIN(VelumixCtlTest)
#include "tst_velumixctl.moc"
