// The simulated firmware reads only the report it was given: a command whose
// payload is too short for it gets no reply and changes nothing.

#include "HeadsetFirmware.h"

#include <QtTest>

namespace {

// Bytes past the given length that a careless reader would pick up.
constexpr uint8_t kBeyondTheReport = 0x7F;

Report commandWithGarbageBeyond(uint8_t selector, uint8_t code, const uint8_t* payload, int length)
{
    Report report = frame::buildCommand(selector, code, payload, length);
    std::fill(report.begin() + frame::commandLength(selector), report.end(), kBeyondTheReport);
    return report;
}

void verifyUntouched(const HeadsetFirmware& firmware)
{
    const HeadsetFirmware fresh;
    QCOMPARE(firmware.modeIndex(), fresh.modeIndex());
    QCOMPARE(firmware.micVolume(), fresh.micVolume());
    QCOMPARE(firmware.surroundOn(), fresh.surroundOn());
    QCOMPARE(firmware.noiseCancellation(), fresh.noiseCancellation());
    QCOMPARE(firmware.gains(), fresh.gains());
}

} // namespace

class FirmwareTest : public QObject
{
    Q_OBJECT
private slots:
    void commandsTooShortForTheirPayloadGetNoReply_data();
    void commandsTooShortForTheirPayloadGetNoReply();
    void peqAppliesOnlyTheBandRecordsItsPayloadHolds();
};

void FirmwareTest::commandsTooShortForTheirPayloadGetNoReply_data()
{
    QTest::addColumn<int>("selector");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("payloadLength");
    // The first row is 4e 30 80 18 21 00 37 and 25 zeros: a SetPEQ in a
    // 32-byte report, whose mode byte would lie at offset 43.
    QTest::newRow("SetPEQ without payload") << int('N') << int(frame::SetPeq) << 0;
    QTest::newRow("SetPEQ filling a 32-byte report") << int('N') << int(frame::SetPeq) << 25;
    QTest::newRow("SetPEQ one byte short") << int('O') << int(frame::SetPeq) << 37;
    QTest::newRow("SetMicVolume without its level") << int('N') << int(frame::SetMicVolume) << 10;
    QTest::newRow("SetAlgorithmSwitch without noise cancellation")
        << int('O') << int(frame::SetAlgorithmSwitch) << 4;
}

void FirmwareTest::commandsTooShortForTheirPayloadGetNoReply()
{
    QFETCH(int, selector);
    QFETCH(int, code);
    QFETCH(int, payloadLength);
    uint8_t payload[kReportSize];
    std::fill(std::begin(payload), std::end(payload), uint8_t(1));
    const Report report =
        commandWithGarbageBeyond(uint8_t(selector), uint8_t(code), payload, payloadLength);
    HeadsetFirmware firmware;
    QVERIFY(!firmware.respond(report.data(), frame::commandLength(uint8_t(selector))));
    verifyUntouched(firmware);
}

void FirmwareTest::peqAppliesOnlyTheBandRecordsItsPayloadHolds()
{
    // Bands 0-9 asked for; the 38-byte payload holds six records before the
    // mode byte, and a seventh would end on the checksum.
    uint8_t payload[38] = {1, 0, 9};
    for (int record = 0; record < 7; ++record) {
        uint8_t* at = payload + 4 + record * 5;
        at[0] = 1; // a frequency: the band is set
        if (record < 6)
            at[4] = uint8_t(record + 1);
    }
    payload[37] = 3; // the mode
    const Report report = frame::buildCommand('O', frame::SetPeq, payload, sizeof payload);
    HeadsetFirmware firmware;

    const std::optional<InputReport> reply = firmware.respond(report.data(), kReportSize);

    QVERIFY(reply);
    QVERIFY(frame::replyAccepted(reply->data.data(), reply->length));
    QCOMPARE(frame::payloadByte(reply->data.data(), 1), uint8_t(0));
    QCOMPARE(frame::payloadByte(reply->data.data(), 2), uint8_t(9));
    QCOMPARE(firmware.gains(), (EqGains{1, 2, 3, 4, 5, 6, 0, 0, 0, 0}));
    QCOMPARE(firmware.modeIndex(), 3);
}

QTEST_GUILESS_MAIN(FirmwareTest)
#include "tst_firmware.moc"
