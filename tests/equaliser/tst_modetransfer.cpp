#include "CorrectionImport.h"
#include "EqFit.h"
#include "GainText.h"
#include "ModeLookup.h"
#include "ModeTransfer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

Q_DECLARE_METATYPE(CustomRecord)
Q_DECLARE_METATYPE(SoundPage)

namespace {

constexpr quint16 kModel1054 = 0x1054;
constexpr quint16 kModel0F51 = 0x0F51;

CustomRecord mode(const char* algorithm, const QString& name, const char* parameter)
{
    return {QLatin1String(algorithm), name, QLatin1String(parameter)};
}

} // namespace

class TestModeTransfer : public QObject
{
    Q_OBJECT

private slots:
    void everyCustomSlotUsesOneQTable_data();
    void everyCustomSlotUsesOneQTable();
    void parametricTextForm();
    void parametricTextFitsBackToTheGains_data();
    void parametricTextFitsBackToTheGains();
    void jsonReadsBackOnAnyModel_data();
    void jsonReadsBackOnAnyModel();
    void badJsonIsRefused_data();
    void badJsonIsRefused();
};

void TestModeTransfer::everyCustomSlotUsesOneQTable_data()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<quint16>("productId");
    for (const quint16 productId : {kModel1054, quint16(0x1029), kModel0F51, quint16(0x4130)}) {
        for (const SoundPage page : {SoundPage::Surround, SoundPage::Stereo})
            QTest::addRow("%04x %s", productId, page == SoundPage::Surround ? "surround" : "stereo")
                << page << productId;
    }
}

void TestModeTransfer::everyCustomSlotUsesOneQTable()
{
    QFETCH(SoundPage, page);
    QFETCH(quint16, productId);
    const std::optional<frame::QTable> table = customModeQTable(page, productId);
    QVERIFY(table);
    const int model = headsetModelOf(productId);
    for (int slot = 0; slot < 5; ++slot) {
        for (const CustomSlotUse use : {CustomSlotUse::Selected, CustomSlotUse::Edited})
            QCOMPARE(frame::peqQTable(customSlotModeIndex(page, slot, model, use), productId),
                     table);
    }
}

void TestModeTransfer::parametricTextForm()
{
    const frame::QTable q = *frame::peqQTable(5, kModel0F51);
    const QByteArray text = modeToParametricText(
        mode("Surround", QStringLiteral("Night\nOwl"), "-12,3,0,0,20,0,0,0,0,-1"),
        QStringLiteral("Model X"), q);
    QCOMPARE(text, QByteArray("# Velumix custom mode \"Night Owl\" (surround page) for Model X\n"
                              "Preamp: -12.0 dB\n"
                              "Filter 1: ON PK Fc 30 Hz Gain -12.0 dB Q 0.800\n"
                              "Filter 2: ON PK Fc 60 Hz Gain 3.0 dB Q 0.800\n"
                              "Filter 3: ON PK Fc 120 Hz Gain 0.0 dB Q 2.000\n"
                              "Filter 4: ON PK Fc 250 Hz Gain 0.0 dB Q 1.500\n"
                              "Filter 5: ON PK Fc 500 Hz Gain 12.0 dB Q 2.000\n"
                              "Filter 6: ON PK Fc 1000 Hz Gain 0.0 dB Q 2.000\n"
                              "Filter 7: ON PK Fc 2000 Hz Gain 0.0 dB Q 2.000\n"
                              "Filter 8: ON PK Fc 4000 Hz Gain 0.0 dB Q 0.800\n"
                              "Filter 9: ON PK Fc 8000 Hz Gain 0.0 dB Q 4.000\n"
                              "Filter 10: ON PK Fc 16000 Hz Gain -1.0 dB Q 4.000\n"));
    const QByteArray cutsOnly = modeToParametricText(
        mode("Stereo", QStringLiteral("Soft"), "-1,-2,0,0,0,0,0,0,0,0"), QString(), q);
    QVERIFY(cutsOnly.contains("(stereo page)"));
    QVERIFY(cutsOnly.contains("\nPreamp: 0.0 dB\n"));
}

void TestModeTransfer::parametricTextFitsBackToTheGains_data()
{
    QTest::addColumn<CustomRecord>("mode");
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<int>("sampleRateHz");
    QTest::newRow("surround, mixed")
        << mode("Surround", "Club", "6,4,0,-3,0,2,0,0,-5,-2") << kModel1054 << 48000;
    QTest::newRow("stereo, extremes, 44.1 kHz")
        << mode("Stereo", "Edge", "12,-12,12,-12,0,12,-12,7,-7,12") << kModel0F51 << 44100;
}

void TestModeTransfer::parametricTextFitsBackToTheGains()
{
    QFETCH(CustomRecord, mode);
    QFETCH(quint16, productId);
    QFETCH(int, sampleRateHz);
    const frame::QTable q = *customModeQTable(pageOfMode(mode), productId);
    const QByteArray text = modeToParametricText(mode, QStringLiteral("Model"), q);
    const CorrectionRead read = readCorrection(text, sampleRateHz);
    QVERIFY2(read.ok, qPrintable(read.error));
    const EqFit fit = fitToBands(read.target, headsetBands(q, sampleRateHz));
    QCOMPARE(gainsToText(fit.gains), mode.parameter);
    QVERIFY(fit.maxErrorDb < 1e-6);
}

void TestModeTransfer::jsonReadsBackOnAnyModel_data()
{
    QTest::addColumn<CustomRecord>("mode");
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<CustomRecord>("readBack");
    const CustomRecord surround =
        mode("Surround", QStringLiteral("Füße \"& 夜\""), "12,-12,0,1,-1,5,6,7,8,9");
    QTest::newRow("surround, any name") << surround << kModel1054 << surround;
    const CustomRecord stereo = mode("Stereo", QStringLiteral(" Wide "), "0,0,0,0,0,0,0,0,0,0");
    QTest::newRow("stereo, blanks kept") << stereo << kModel0F51 << stereo;
    QTest::newRow("gains as the headset takes them")
        << mode("Stereo", "Loud", "20,-15,x") << kModel1054
        << mode("Stereo", "Loud", "12,-12,0,0,0,0,0,0,0,0");
}

void TestModeTransfer::jsonReadsBackOnAnyModel()
{
    QFETCH(CustomRecord, mode);
    QFETCH(quint16, productId);
    QFETCH(CustomRecord, readBack);
    const QByteArray json = modeToJson(mode, productId);
    const ModeRead read = readModeJson(json);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(read.mode, readBack);
    QCOMPARE(read.productId, std::optional<quint16>(productId));
    const QJsonObject document = QJsonDocument::fromJson(json).object();
    QCOMPARE(document.value("format").toString(), QStringLiteral("velumix-mode"));
    QCOMPARE(document.value("version").toInt(), 1);
    QCOMPARE(document.value("page").toString(), soundPageName(pageOfMode(mode)));
    QCOMPARE(document.value("model").toString(),
             QString::number(productId, 16).rightJustified(4, '0'));
}

void TestModeTransfer::badJsonIsRefused_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error"); // the message begins with it
    const QJsonObject good{{"format", "velumix-mode"},
                           {"version", 1},
                           {"name", "Club"},
                           {"page", "stereo"},
                           {"gains", QJsonArray{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}};
    const auto with = [&good](const char* key, const QJsonValue& value) {
        QJsonObject changed = good;
        if (value.isUndefined())
            changed.remove(QLatin1String(key));
        else
            changed.insert(QLatin1String(key), value);
        return QJsonDocument(changed).toJson();
    };
    QTest::newRow("without model: read") << with("model", QJsonValue::Undefined) << QString();
    QTest::newRow("syntax error on line 3")
        << QByteArray("{\n  \"format\": \"velumix-mode\",\n  \"version\": 1 1\n}") << "line 3: ";
    QTest::newRow("not an object") << QByteArray("[1, 2]") << "the document is not a JSON object";
    QTest::newRow("other format") << with("format", "eq") << "\"format\" is not \"velumix-mode\"";
    QTest::newRow("no format") << with("format", QJsonValue::Undefined)
                               << "\"format\" is not \"velumix-mode\"";
    QTest::newRow("newer version")
        << with("version", 2) << "version 2 is newer than this program reads (1)";
    QTest::newRow("version as text")
        << with("version", "1") << "\"version\" must be a whole number from 1";
    QTest::newRow("version 0.5") << with("version", 0.5)
                                 << "\"version\" must be a whole number from 1";
    QTest::newRow("blank name") << with("name", "  ") << "\"name\" must be a text of 1 to 256";
    QTest::newRow("long name") << with("name", QString(257, QLatin1Char('n')))
                               << "\"name\" must be a text of 1 to 256";
    QTest::newRow("name not text") << with("name", 5) << "\"name\" must be a text";
    QTest::newRow("other page") << with("page", "mono")
                                << "\"page\" must be \"surround\" or \"stereo\"";
    QTest::newRow("nine gains") << with("gains", QJsonArray{1, 2, 3, 4, 5, 6, 7, 8, 9})
                                << "\"gains\" must be a list of 10 numbers";
    QTest::newRow("gains not a list")
        << with("gains", "1,2,3,4,5,6,7,8,9,10") << "\"gains\" must be a list of 10 numbers";
    QTest::newRow("gain beyond range") << with("gains", QJsonArray{0, 0, 13, 0, 0, 0, 0, 0, 0, 0})
                                       << "gain 3 must be a whole number from -12 to 12";
    QTest::newRow("gain a fraction") << with("gains", QJsonArray{0, 0, 0, 0, 0, 0, 0, 0, 0, 1.5})
                                     << "gain 10 must be a whole number";
    QTest::newRow("gain as text") << with("gains", QJsonArray{"1", 0, 0, 0, 0, 0, 0, 0, 0, 0})
                                  << "gain 1 must be a whole number";
    QTest::newRow("model not hexadecimal")
        << with("model", "0x1054") << "\"model\" must be a product ID";
    QTest::newRow("model as a number") << with("model", 1054) << "\"model\" must be a product ID";
    QTest::newRow("more than 1 MiB")
        << QByteArray(kMaxImportBytes + 1, ' ') << "the file is larger than 1 MiB";
}

void TestModeTransfer::badJsonIsRefused()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    const ModeRead read = readModeJson(json);
    QCOMPARE(read.ok, error.isEmpty());
    QVERIFY2(read.error.startsWith(error), qPrintable(read.error));
    if (read.ok)
        QCOMPARE(read.mode, mode("Stereo", "Club", "1,2,3,4,5,6,7,8,9,10"));
}

QTEST_GUILESS_MAIN(TestModeTransfer)
#include "tst_modetransfer.moc"
