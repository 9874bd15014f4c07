// A correction file made into a custom mode ready to save, as the window and
// velumixctl both make it.

#include "GainText.h"
#include "ModeImport.h"
#include "ModeTransfer.h"

#include <QtTest>

Q_DECLARE_METATYPE(SoundPage)
Q_DECLARE_METATYPE(CorrectionFormat)

namespace {

constexpr quint16 kProduct = 0x1029;
constexpr int kRateHz = 48000;

QString fixture(const char* name)
{
    return QStringLiteral(TEST_DATA_DIR "/") + QLatin1String(name);
}

} // namespace

class TestModeImport : public QObject
{
    Q_OBJECT

private slots:
    void fileBecomesFittedMode_data();
    void fileBecomesFittedMode();
    void refusals_data();
    void refusals();
};

void TestModeImport::fileBecomesFittedMode_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<CorrectionFormat>("format");
    QTest::addColumn<QString>("algorithm");
    QTest::newRow("GraphicEQ, surround") << fixture("graphiceq.txt") << SoundPage::Surround
                                         << CorrectionFormat::GraphicEq << "Surround";
    QTest::newRow("parametric, stereo") << fixture("parametric.txt") << SoundPage::Stereo
                                        << CorrectionFormat::Parametric << "Stereo";
}

// The mode carries the page, the name and exactly the gains of fitting the
// file's target to the bands of the product's custom modes.
void TestModeImport::fileBecomesFittedMode()
{
    QFETCH(QString, file);
    QFETCH(SoundPage, page);
    QFETCH(CorrectionFormat, format);
    QFETCH(QString, algorithm);
    const ImportedMode imported =
        importCorrectionFileAsMode(file, " Desk ", page, kProduct, kRateHz);
    QVERIFY2(imported.ok, qPrintable(imported.error));
    QCOMPARE(imported.format, format);
    const HeadsetBands bands = headsetBands(*customModeQTable(page, kProduct), kRateHz);
    const CorrectionRead read = readCorrectionFile(file, kRateHz);
    const EqFit fit = fitToBands(read.target, bands);
    QCOMPARE(imported.fit.gains, fit.gains);
    QCOMPARE(imported.fit.maxErrorDb, fit.maxErrorDb);
    QVERIFY(fit.gains != EqGains{});
    QCOMPARE(imported.mode.algorithm, algorithm);
    QCOMPARE(imported.mode.name, QStringLiteral(" Desk "));
    QCOMPARE(imported.mode.parameter, gainsToText(fit.gains));
}

void TestModeImport::refusals_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("error");
    const QByteArray good("GraphicEQ: 100 2; 1000 -1");
    QTest::newRow("blank name") << good << "  \t" << modeNameProblem("");
    QTest::newRow("name too long") << good << QString(kMaxModeNameLength + 1, 'n')
                                   << modeNameProblem(QString(kMaxModeNameLength + 1, 'n'));
    QTest::newRow("malformed line")
        << QByteArray("Preamp: -3 dB\nFilter 1: ON PK Fc 100 Hz Gain 2 dB Q 1\nhello\n") << "Desk"
        << "line 3: \"hello\" is not a Preamp, Filter or comment line";
}

void TestModeImport::refusals()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, name);
    QFETCH(QString, error);
    QVERIFY(!error.isEmpty());
    const ImportedMode imported =
        importCorrectionAsMode(text, name, SoundPage::Stereo, kProduct, kRateHz);
    QVERIFY(!imported.ok);
    QCOMPARE(imported.error, error);
    QCOMPARE(imported.mode, CustomRecord{});
}

QTEST_GUILESS_MAIN(TestModeImport)
#include "tst_modeimport.moc"
