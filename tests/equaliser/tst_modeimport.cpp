// A file made into a custom mode ready to save, as the window and velumixctl
// both make it: which form it is, which page it goes to, the name it gets,
// the fit of a correction, and when a page has no room for it.

#include "GainText.h"
#include "ModeImport.h"
#include "ModeTransfer.h"

#include <QtTest>

Q_DECLARE_METATYPE(SoundPage)
Q_DECLARE_METATYPE(CorrectionFormat)
Q_DECLARE_METATYPE(CustomRecord)
Q_DECLARE_METATYPE(ImportedMode::Problem)
using PageAsked = std::optional<SoundPage>;
Q_DECLARE_METATYPE(PageAsked)

namespace {

constexpr quint16 kProduct = 0x1029;
// A model of the family other than kProduct, where documents come from.
constexpr quint16 kOtherProduct = 0x1054;
constexpr int kRateHz = 48000;

QString fixture(const char* name)
{
    return QStringLiteral(TEST_DATA_DIR "/") + QLatin1String(name);
}

ModeImportTarget target(PageAsked page, SoundPage shownPage = SoundPage::Stereo)
{
    return {kProduct, kRateHz, page, shownPage};
}

QString gainsFittedTo(const QByteArray& correction, SoundPage page)
{
    const HeadsetBands bands = headsetBands(*customModeQTable(page, kProduct), kRateHz);
    return gainsToText(fitToBands(readCorrection(correction, kRateHz).target, bands).gains);
}

// The file's path, empty when it could not be written.
QString written(const QTemporaryDir& folder, const QByteArray& bytes)
{
    QFile file(folder.filePath("mode"));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName();
}

const QByteArray kCorrection = "GraphicEQ: 20 5; 300 -2; 3000 1; 20000 -4\n";
const QByteArray kStereoDocument =
    modeToJson({"Stereo", "Club", "6,4,0,0,0,0,0,0,0,-2"}, kOtherProduct);

} // namespace

class TestModeImport : public QObject
{
    Q_OBJECT

private slots:
    void fileBecomesFittedMode_data();
    void fileBecomesFittedMode();
    void filesBecomeModes_data();
    void filesBecomeModes();
    void refusals_data();
    void refusals();
    void roomOnThePage_data();
    void roomOnThePage();
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
    const ImportedMode imported = importModeFile(file, " Desk ", target(page));
    QVERIFY2(imported.ok(), qPrintable(imported.error));
    QCOMPARE(imported.format, std::optional<CorrectionFormat>(format));
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

void TestModeImport::filesBecomeModes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<PageAsked>("page");
    QTest::addColumn<CustomRecord>("mode");
    QTest::addColumn<bool>("fitted");
    QTest::newRow("correction on the page shown")
        << kCorrection << PageAsked()
        << CustomRecord{"Surround", "Mine", gainsFittedTo(kCorrection, SoundPage::Surround)}
        << true;
    QTest::newRow("correction on the page asked for")
        << kCorrection << PageAsked(SoundPage::Stereo)
        << CustomRecord{"Stereo", "Mine", gainsFittedTo(kCorrection, SoundPage::Stereo)} << true;
    QTest::newRow("document of another model after a byte order mark and blanks")
        << "\xEF\xBB\xBF \n" + kStereoDocument << PageAsked()
        << CustomRecord{"Stereo", "Mine", "6,4,0,0,0,0,0,0,0,-2"} << false;
}

// A correction is fitted; a document's gains come over unchanged, so the
// window shows its curve met exactly.
void TestModeImport::filesBecomeModes()
{
    QFETCH(QByteArray, file);
    QFETCH(PageAsked, page);
    QFETCH(CustomRecord, mode);
    QFETCH(bool, fitted);
    QTemporaryDir folder;
    const QString path = written(folder, file);
    QVERIFY(!path.isEmpty());
    const ImportedMode imported = importModeFile(path, "Mine", target(page, SoundPage::Surround));
    QVERIFY2(imported.ok(), qPrintable(imported.error));
    QCOMPARE(imported.mode, mode);
    QCOMPARE(imported.page, pageOfMode(mode));
    QCOMPARE(imported.format.has_value(), fitted);
    QCOMPARE(gainsToText(imported.fit.gains), mode.parameter);
    QCOMPARE(imported.fit.maxErrorDb > 0, fitted);
    QVERIFY(!imported.target.empty());
}

void TestModeImport::refusals_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<PageAsked>("page");
    QTest::addColumn<ImportedMode::Problem>("problem");
    QTest::addColumn<QString>("error");
    const QByteArray good("GraphicEQ: 100 2; 1000 -1");
    QTest::newRow("blank name") << good << "  \t" << PageAsked() << ImportedMode::BadName
                                << modeNameProblem("");
    QTest::newRow("name too long")
        << good << QString(kMaxModeNameLength + 1, 'n') << PageAsked() << ImportedMode::BadName
        << modeNameProblem(QString(kMaxModeNameLength + 1, 'n'));
    QTest::newRow("malformed line")
        << QByteArray("Preamp: -3 dB\nFilter 1: ON PK Fc 100 Hz Gain 2 dB Q 1\nhello\n") << "Desk"
        << PageAsked(SoundPage::Stereo) << ImportedMode::BadFile
        << "line 3: \"hello\" is not a Preamp, Filter or comment line";
    QTest::newRow("malformed correction")
        << QByteArray("# mine\nGraphicEQ: 20 5; 10 1\n") << "Mine" << PageAsked()
        << ImportedMode::BadFile
        << "line 2: point 2: frequency 10 Hz does not rise above the one before it (20 Hz)";
    QTest::newRow("document of the other page")
        << kStereoDocument << "Mine" << PageAsked(SoundPage::Surround) << ImportedMode::WrongPage
        << "the file holds a mode of the stereo page, not of the surround page";
}

// Nothing comes back to save, and the message says why.
void TestModeImport::refusals()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, name);
    QFETCH(PageAsked, page);
    QFETCH(ImportedMode::Problem, problem);
    QFETCH(QString, error);
    QVERIFY(!error.isEmpty());
    QTemporaryDir folder;
    const QString path = written(folder, text);
    QVERIFY(!path.isEmpty());
    const ImportedMode imported = importModeFile(path, name, target(page));
    QVERIFY(!imported.ok());
    QCOMPARE(imported.problem, problem);
    QCOMPARE(imported.error, error);
    QCOMPARE(imported.mode, CustomRecord{});
}

void TestModeImport::roomOnThePage_data()
{
    QTest::addColumn<QList<CustomRecord>>("modes");
    QTest::addColumn<QString>("problem");
    const CustomRecord stereo{"Stereo", "A", "0,0,0,0,0,0,0,0,0,0"};
    QList<CustomRecord> fourStereo;
    for (const char* name : {"A", "B", "C", "D"})
        fourStereo << CustomRecord{"Stereo", name, stereo.parameter};
    QTest::newRow("room") << fourStereo << QString();
    QTest::newRow("the name on the other page only")
        << QList<CustomRecord>{{"Surround", "New", stereo.parameter}} << QString();
    QTest::newRow("name taken") << QList<CustomRecord>{{"Stereo", "New", stereo.parameter}}
                                << "the stereo page has a custom mode called \"New\" already";
    QTest::newRow("five slots full")
        << fourStereo + QList<CustomRecord>{{"Stereo", "E", stereo.parameter}}
        << "the stereo page has no free custom slot (it holds 5); delete one first";
}

void TestModeImport::roomOnThePage()
{
    QFETCH(QList<CustomRecord>, modes);
    QFETCH(QString, problem);
    QCOMPARE(customModeRoomProblem(modes, SoundPage::Stereo, "New"), problem);
}

QTEST_GUILESS_MAIN(TestModeImport)
#include "tst_modeimport.moc"
