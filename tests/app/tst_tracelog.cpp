// The trace log file: a fresh start, the record format, Latin-1 text, the
// roll-over at 10 MiB and a folder that vanishes.

#include "TraceLog.h"

#include <QtTest>

namespace {

QByteArray readLog()
{
    QFile file(traceLogFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray header()
{
    return "\t" + QCoreApplication::applicationName().toLatin1() + " Log Text:\r\n\n";
}

} // namespace

class TraceLogTest : public QObject
{
    Q_OBJECT
private slots:
    void recordBeforeStartIsDropped();
    void freshStartWritesTheHeader();
    void recordFormat_data();
    void recordFormat();
    void rollsOverAtTenMebibytes();
    void vanishedFolderDropsRecords();
};

void TraceLogTest::recordBeforeStartIsDropped()
{
    QTest::ignoreMessage(QtDebugMsg, "log文件创建失败!");
    traceLog("tag", "step", "Velumix", "f", 1);
    QVERIFY(traceLogFilePath().isEmpty());
}

void TraceLogTest::freshStartWritesTheHeader()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QVERIFY2(documents.startsWith(qEnvironmentVariable("HOME")), "tests run in a throwaway home");
    initTraceLog();
    traceLog("a", "b", "c", "d", 1);
    initTraceLog(); // every start begins the file anew
    QCOMPARE(traceLogFilePath(),
             documents + "/" + QCoreApplication::applicationName() + "/debug.log");
    QCOMPARE(readLog(), header() + "**First Data!\r\n");
}

void TraceLogTest::recordFormat_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("write start") << "*Usb Write"
                                 << "start"
                                 << QByteArray("*Usb Write : start\t\t(UsbHidOperation - "
                                               "usbHidWriteDevice ... 116);\n");
    QTest::newRow("chinese text becomes '?'")
        << QString::fromUtf8("插入U盘") << QString::fromUtf8("é")
        << QByteArray("??U? : \xe9\t\t(UsbHidOperation - usbHidWriteDevice ... 116);\n");
    QTest::newRow("percent signs stay") << "%1 %2"
                                        << "%5"
                                        << QByteArray("%1 %2 : %5\t\t(UsbHidOperation - "
                                                      "usbHidWriteDevice ... 116);\n");
}

void TraceLogTest::recordFormat()
{
    QFETCH(QString, tag);
    QFETCH(QString, step);
    QFETCH(QByteArray, line);
    initTraceLog();
    traceLog(tag, step, "UsbHidOperation", "usbHidWriteDevice", 116);
    QCOMPARE(readLog(), header() + "**First Data!\r\n" + line);
}

void TraceLogTest::rollsOverAtTenMebibytes()
{
    initTraceLog();
    {
        QFile file(traceLogFilePath());
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(file.resize(kTraceLogLimit - 10));
    }
    traceLog("below", "limit", "u", "f", 1); // reaches the limit: starts over
    QCOMPARE(readLog(), header() + "**Next Data!\r\n");
    traceLog("next", "record", "u", "f", 2);
    QVERIFY(readLog().endsWith("**Next Data!\r\nnext : record\t\t(u - f ... 2);\n"));
}

void TraceLogTest::vanishedFolderDropsRecords()
{
    initTraceLog();
    QVERIFY(QDir(QFileInfo(traceLogFilePath()).path()).removeRecursively());
    QTest::ignoreMessage(QtDebugMsg, "log文件创建失败!");
    traceLog("lost", "record", "u", "f", 1);
    QVERIFY(!QFile::exists(traceLogFilePath()));
}

QTEST_GUILESS_MAIN(TraceLogTest)
#include "tst_tracelog.moc"
