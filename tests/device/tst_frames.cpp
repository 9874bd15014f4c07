// The frame codec: every command frame byte for byte, the PEQ band tables and
// the reply acceptance rule.

#include "Frames.h"

#include <QtTest>

namespace {

QByteArray bytesOf(const Report& report, int length = kReportSize)
{
    return QByteArray(reinterpret_cast<const char*>(report.data()), length);
}

// "4e 30 80 18" -> bytes, padded with zeros to `length`.
QByteArray hex(const char* text, int length = kReportSize)
{
    QByteArray bytes = QByteArray::fromHex(QByteArray(text).replace(' ', ""));
    bytes.append(QByteArray(length - bytes.size(), '\0'));
    return bytes;
}

Report reportFrom(const QByteArray& bytes)
{
    Report report{};
    std::copy_n(bytes.constData(), std::min<int>(bytes.size(), kReportSize), report.begin());
    return report;
}

} // namespace

class FrameTest : public QObject
{
    Q_OBJECT
private slots:
    void commandFrames_data();
    void commandFrames();
    void peqFrames_data();
    void peqFrames();
    void peqGainsAreSignedBytes();
    void checksumOfReadVersion();
    void commandLengthBySelector();
    void replyAcceptance_data();
    void replyAcceptance();
    void versionText();
};

void FrameTest::commandFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("read version") << bytesOf(frame::readVersionCommand(), 32)
                                  << hex("4e 30 80 18 01 00 17", 32);
    QTest::newRow("read audio") << bytesOf(frame::readAudioCommand())
                                << hex("4f 30 80 18 20 01 00 38");
    QTest::newRow("read status") << bytesOf(frame::readStatusCommand())
                                 << hex("4f 30 80 18 32 01 00 4a");
    QTest::newRow("mic level 55")
        << bytesOf(frame::setMicVolumeCommand(55))
        << hex("4f 30 80 18 30 0e 01 00 00 00 00 00 00 00 00 00 37 00 00 00 "
               "8d");
    QTest::newRow("mic level keeps the low byte")
        << bytesOf(frame::setMicVolumeCommand(0x164))
        << hex("4f 30 80 18 30 0e 01 00 00 00 00 00 00 00 00 00 64 00 00 00 ba");
    QTest::newRow("noise cancellation off") << bytesOf(frame::setAlgorithmSwitchCommand(1, 0, 2, 0))
                                            << hex("4f 30 80 18 31 06 01 00 00 00 02 00 51");
    QTest::newRow("noise cancellation on") << bytesOf(frame::setAlgorithmSwitchCommand(1, 0, 1, 0))
                                           << hex("4f 30 80 18 31 06 01 00 00 00 01 00 50");
    QTest::newRow("surround page, first model")
        << bytesOf(frame::setAlgorithmSwitchCommand(1, 1, 0, 1))
        << hex("4f 30 80 18 31 06 01 00 01 00 00 01 51");
}

void FrameTest::commandFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void FrameTest::peqFrames_data()
{
    QTest::addColumn<uint>("productId");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QByteArray>("bandArea"); // bytes 10-34
    const QByteArray empty(25, '\0');
    QTest::newRow("generic table, low bands")
        << 0x1054u << 3 << 0 << 4
        << hex("00 1e 07 d0 00 00 3c 07 d0 00 00 78 07 d0 00 00 fa 07 d0 00 01 f4 07 d0 00", 25);
    QTest::newRow("generic table, high bands")
        << 0x1054u << 3 << 5 << 9
        << hex("03 e8 07 d0 00 07 d0 07 d0 00 0f a0 0f a0 00 1f 40 0f a0 00 3e 80 0f a0 00", 25);
    QTest::newRow("0f51 uses the generic table outside the standard modes")
        << 0x0F51u << 3 << 0 << 4
        << hex("00 1e 07 d0 00 00 3c 07 d0 00 00 78 07 d0 00 00 fa 07 d0 00 01 f4 07 d0 00", 25);
    QTest::newRow("0f51 standard stereo, low bands")
        << 0x0F51u << 5 << 0 << 4
        << hex("00 1e 03 20 00 00 3c 03 20 00 00 78 07 d0 00 00 fa 05 dc 00 01 f4 07 d0 00", 25);
    QTest::newRow("0f51 standard surround, high bands")
        << 0x0F51u << 19 << 5 << 9
        << hex("03 e8 07 d0 00 07 d0 07 d0 00 0f a0 03 20 00 1f 40 0f a0 00 3e 80 0f a0 00", 25);
    QTest::newRow("4130 mode 5, high bands")
        << 0x4130u << 5 << 5 << 9
        << hex("03 e8 07 d0 00 07 d0 07 d0 00 0f a0 0f a0 00 1f 40 0f a0 00 3e 80 01 f4 00", 25);
    QTest::newRow("4130 mode 19, low bands")
        << 0x4130u << 19 << 0 << 4
        << hex("00 1e 01 f4 00 00 3c 01 f4 00 00 78 07 d0 00 00 fa 07 d0 00 01 f4 07 d0 00", 25);
    QTest::newRow("4130 mode 19, high bands")
        << 0x4130u << 19 << 5 << 9
        << hex("03 e8 07 d0 00 07 d0 07 d0 00 0f a0 03 e8 00 1f 40 0f a0 00 3e 80 01 f4 00", 25);
    QTest::newRow("other product in a standard mode has no bands")
        << 0x1054u << 5 << 0 << 4 << empty;
    QTest::newRow("a band range that is not a half is empty") << 0x1054u << 3 << 2 << 6 << empty;
    QTest::newRow("first 5 with last 8 is empty") << 0x1054u << 3 << 5 << 8 << empty;
}

void FrameTest::peqFrames()
{
    QFETCH(uint, productId);
    QFETCH(int, mode);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QByteArray, bandArea);
    const Report frame =
        frame::setPeqCommand(1, first, last, mode, EqGains{}, static_cast<uint16_t>(productId));
    const QByteArray bytes = bytesOf(frame);
    QCOMPARE(bytes.left(10).toHex(' '), hex("4f 30 80 18 21 26 01", 7).toHex(' ') +
                                            QByteArray(" ") + QByteArray(1, char(first)).toHex() +
                                            " " + QByteArray(1, char(last)).toHex() + " 00");
    QCOMPARE(bytes.mid(10, 25).toHex(' '), bandArea.toHex(' '));
    QCOMPARE(bytes.mid(35, 8), QByteArray(8, '\0'));
    QCOMPARE(int(frame[43]), mode);
    QCOMPARE(frame[44], usbHidCheckSum(frame.data(), 44));
    QCOMPARE(bytes.mid(45), QByteArray(19, '\0'));
}

void FrameTest::peqGainsAreSignedBytes()
{
    const EqGains gains = {-12, 12, -1, 0, 7, 1, 2, 3, 4, -5};
    const Report low = frame::setPeqCommand(1, 0, 4, 3, gains, 0x1054);
    const Report high = frame::setPeqCommand(1, 5, 9, 3, gains, 0x1054);
    const uint8_t lowGains[] = {0xF4, 0x0C, 0xFF, 0x00, 0x07};
    const uint8_t highGains[] = {0x01, 0x02, 0x03, 0x04, 0xFB};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(low[14 + 5 * i], lowGains[i]);
        QCOMPARE(high[14 + 5 * i], highGains[i]);
    }
}

void FrameTest::checksumOfReadVersion()
{
    const uint8_t header[] = {'N', '0', 0x80, 0x18, 0x01, 0x00};
    QCOMPARE(usbHidCheckSum(header, 6), uint8_t(0x17));
    const uint8_t wraps[] = {0xFF, 0x02};
    QCOMPARE(usbHidCheckSum(wraps, 2), uint8_t(0x01));
}

void FrameTest::commandLengthBySelector()
{
    QCOMPARE(frame::commandLength('N'), 32);
    QCOMPARE(frame::commandLength('O'), 64);
    QCOMPARE(frame::commandLength('#'), 0);
    QCOMPARE(frame::commandLength(0), 0);
}

void FrameTest::replyAcceptance_data()
{
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<int>("bytesRead");
    QTest::addColumn<bool>("accepted");
    const uint8_t status[] = {0, 0, 16, 1, 2, 3, 4};
    const Report good = frame::buildReply('#', frame::ReadStatus, status, sizeof status);
    QTest::newRow("status reply") << bytesOf(good) << 64 << true;
    QTest::newRow("32-byte '$' report")
        << bytesOf(frame::buildReply('$', frame::ReadStatus, status, sizeof status, 32)) << 32
        << true;
    Report badSum = good;
    badSum[13] ^= 1;
    QTest::newRow("wrong checksum") << bytesOf(badSum) << 64 << false;
    Report command = good;
    command[2] = 0x80;
    command[3] = 0x18;
    QTest::newRow("command header") << bytesOf(command) << 64 << false;
    Report marker = good;
    marker[0] = 'N';
    QTest::newRow("wrong marker") << bytesOf(marker) << 64 << false;
    QTest::newRow("short read") << bytesOf(good) << 31 << false;
    QTest::newRow("time-out") << bytesOf(good) << 0 << false;
    QTest::newRow("read error") << bytesOf(good) << -1 << false;

    // A 32-byte report whose length byte points past its own bytes must not
    // be checked against whatever an earlier report left in bytes 32-63.
    uint8_t longPayload[40] = {};
    Report stale = frame::buildReply('#', frame::ReadVersion, longPayload, sizeof longPayload);
    QTest::newRow("checksum beyond a 32-byte report") << bytesOf(stale) << 32 << false;
    QTest::newRow("the same reply read whole") << bytesOf(stale) << 64 << true;
    Report tooLong = good;
    tooLong[5] = 58; // checksum would sit at 64
    QTest::newRow("length past the report") << bytesOf(tooLong) << 64 << false;
}

void FrameTest::replyAcceptance()
{
    QFETCH(QByteArray, report);
    QFETCH(int, bytesRead);
    QFETCH(bool, accepted);
    const Report frame = reportFrom(report);
    QCOMPARE(frame::replyAccepted(frame.data(), bytesRead), accepted);
}

void FrameTest::versionText()
{
    uint8_t payload[21] = {1, 'V', '1', '.', '2'};
    QCOMPARE(frame::versionText(frame::buildReply('#', 1, payload, 21).data()),
             std::string("V1.2"));
    payload[0] = 0;
    QCOMPARE(frame::versionText(frame::buildReply('#', 1, payload, 21).data()), std::string());
}

QTEST_APPLESS_MAIN(FrameTest)
#include "tst_frames.moc"
