// A file made into a custom mode ready to save: which form it is, which page
// it goes to, the name it gets, and when a page has no room for it.

#include "CorrectionImport.h"
#include "GainText.h"
#include "ModeImport.h"
#include "ModeTransfer.h"

#include <QtTest>

Q_DECLARE_METATYPE(CustomRecord)
Q_DECLARE_METATYPE(ImportedMode::Problem)
using PageAsked = std::optional<SoundPage>;
Q_DECLARE_METATYPE(PageAsked)

namespace {

constexpr quint16 kProduct = 0x1054;
constexpr int kSampleRateHz = 48000;

ModeImportTarget target(std::optional<SoundPage> page, SoundPage shownPage = SoundPage::Stereo)
{
    return {kProduct, kSampleRateHz, page, shownPage};
}

QString gainsFittedTo(const QByteArray& correction, SoundPage page)
{
    const HeadsetBands bands = headsetBands(*customModeQTable(page, kProduct), kSampleRateHz);
    return gainsToText(fitToBands(readCorrection(correction, kSampleRateHz).target, bands).gains);
}

const QByteArray kCorrection = "GraphicEQ: 20 5; 300 -2; 3000 1; 20000 -4\n";
const QByteArray kStereoDocument = modeToJson({"Stereo", "Club", "6,4,0,0,0,0,0,0,0,-2"}, kProduct);

} // namespace

class TestModeImport : public QObject
{
    Q_OBJECT

private slots:
    void filesBecomeModes_data();
    void filesBecomeModes();
    void refusals_data();
    void refusals();
    void roomOnThePage_data();
    void roomOnThePage();
};

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
    QTest::newRow("document after a byte order mark and blanks")
        << "\xEF\xBB\xBF \n" + kStereoDocument << PageAsked()
        << CustomRecord{"Stereo", "Mine", "6,4,0,0,0,0,0,0,0,-2"} << false;
}

void TestModeImport::filesBecomeModes()
{
    QFETCH(QByteArray, file);
    QFETCH(PageAsked, page);
    QFETCH(CustomRecord, mode);
    QFETCH(bool, fitted);
    QTemporaryDir folder;
    QFile written(folder.filePath("mode"));
    QVERIFY(written.open(QIODevice::WriteOnly));
    written.write(file);
    written.close();
    const ImportedMode imported =
        importModeFile(written.fileName(), "Mine", target(page, SoundPage::Surround));
    QVERIFY2(imported.ok(), qPrintable(imported.error));
    QCOMPARE(imported.mode, mode);
    QCOMPARE(imported.page, pageOfMode(mode));
    QCOMPARE(bool(imported.fit), fitted);
    QCOMPARE(bool(imported.target), fitted);
}

void TestModeImport::refusals_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<PageAsked>("page");
    QTest::addColumn<ImportedMode::Problem>("problem");
    QTest::addColumn<QString>("error");
    QTest::newRow("malformed correction") << QByteArray("# mine\nGraphicEQ: 20 5; 10 1\n") << "Mine"
                                          << PageAsked() << ImportedMode::BadFile << ": line 2: ";
    QTest::newRow("document of the other page")
        << kStereoDocument << "Mine" << PageAsked(SoundPage::Surround) << ImportedMode::WrongPage
        << "a mode of the stereo page, not of the surround page";
    QTest::newRow("blank name") << kCorrection << " \t" << PageAsked() << ImportedMode::BadName
                                << "1 to 256 characters";
    QTest::newRow("name too long") << kCorrection << QString(257, 'x') << PageAsked()
                                   << ImportedMode::BadName << "1 to 256 characters";
}

void TestModeImport::refusals()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(PageAsked, page);
    QFETCH(ImportedMode::Problem, problem);
    QFETCH(QString, error);
    QTemporaryDir folder;
    QFile written(folder.filePath("mode"));
    QVERIFY(written.open(QIODevice::WriteOnly));
    written.write(file);
    written.close();
    const ImportedMode imported = importModeFile(written.fileName(), name, target(page));
    QCOMPARE(imported.problem, problem);
    QVERIFY2(imported.error.contains(error), qPrintable(imported.error));
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
