// The automatic modes' rules and their file: what is read, what is refused
// and why, matching by process binary before application name without
// regard to case, and a bad file left exactly as it was.

#include "AutoModeRules.h"
#include "ThrowawayHome.h"

#include <QFile>
#include <QtTest>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

AutoModeRule rule(const QString& application, SoundPage page, const QString& mode)
{
    return {application, page, mode};
}

} // namespace

class TestAutomaticModes : public QObject
{
    Q_OBJECT

private slots:
    void pathIsUnderTheConfigFolder();
    void savedRulesReadBack();
    void missingFileIsNoRules();
    void badFilesAreRefusedAndKept_data();
    void badFilesAreRefusedAndKept();
    void matchingPrefersTheBinary();
    void addingReplacesTheApplicationsRule();
};

void TestAutomaticModes::pathIsUnderTheConfigFolder()
{
    ThrowawayHome home;
    QCOMPARE(automaticModesPath(),
             qEnvironmentVariable("XDG_CONFIG_HOME") + "/velumix/automatic-modes.json");
}

void TestAutomaticModes::savedRulesReadBack()
{
    ThrowawayHome home;
    const QList<AutoModeRule> rules = {rule("steam", SoundPage::Surround, "FPS"),
                                       rule("Spotify", SoundPage::Stereo, "My Jazz")};
    const ConfigWriteResult saved = saveAutoModeRules(automaticModesPath(), rules);
    QVERIFY2(saved.ok(), qPrintable(saved.errorText));
    const AutoModeRulesRead read = readAutoModeRules(automaticModesPath());
    QVERIFY2(read.ok(), qPrintable(read.errorText));
    QCOMPARE(read.rules, rules);
}

void TestAutomaticModes::missingFileIsNoRules()
{
    ThrowawayHome home;
    const AutoModeRulesRead read = readAutoModeRules(automaticModesPath());
    QVERIFY(read.ok());
    QVERIFY(read.rules.isEmpty());
}

void TestAutomaticModes::badFilesAreRefusedAndKept_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("not JSON") << QByteArray("{\"rules\": [") << "";
    QTest::newRow("array root") << QByteArray("[]") << "not a JSON object";
    QTest::newRow("rules not an array") << QByteArray("{\"rules\": {}}") << "not an array";
    QTest::newRow("rule not an object") << QByteArray("{\"rules\": [1]}") << "rule 1 is not";
    QTest::newRow("no mode") << QByteArray(R"({"rules": [{"application": "a", "page": "stereo"}]})")
                             << "rule 1: \"mode\" is missing";
    QTest::newRow("unknown page")
        << QByteArray(R"({"rules": [{"application": "a", "page": "mono", "mode": "Pop"}]})")
        << "neither";
    QTest::newRow("blank application")
        << QByteArray(R"({"rules": [{"application": " ", "page": "stereo", "mode": "Pop"}]})")
        << "the application is blank";
    QTest::newRow("one application twice")
        << QByteArray(R"({"rules": [{"application": "steam", "page": "stereo", "mode": "Pop"},)"
                      R"({"application": "STEAM", "page": "surround", "mode": "FPS"}]})")
        << "rule 2: a rule before it";
}

void TestAutomaticModes::badFilesAreRefusedAndKept()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    ThrowawayHome home;
    const QString path = automaticModesPath();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(writeBytes(path, content));
    const AutoModeRulesRead read = readAutoModeRules(path);
    QVERIFY(!read.ok());
    QVERIFY2(read.errorText.startsWith(path), qPrintable(read.errorText));
    QVERIFY2(read.errorText.contains(reason), qPrintable(read.errorText));
    const ConfigWriteResult saved =
        saveAutoModeRules(path, {rule("steam", SoundPage::Surround, "FPS")});
    QVERIFY(!saved.ok());
    QCOMPARE(saved.errorText, read.errorText);
    QCOMPARE(fileBytes(path), content);
}

void TestAutomaticModes::matchingPrefersTheBinary()
{
    const QList<AutoModeRule> rules = {rule("Firefox", SoundPage::Stereo, "Pop"),
                                       rule("steam", SoundPage::Surround, "FPS")};
    QCOMPARE(matchAutoModeRule(rules, "STEAM", "Firefox"), 1);
    QCOMPARE(matchAutoModeRule(rules, "firefox-esr", "firefox"), 0);
    QCOMPARE(matchAutoModeRule(rules, {}, "Steam"), 1);
    QCOMPARE(matchAutoModeRule(rules, "mpv", "mpv"), -1);
    QCOMPARE(matchAutoModeRule(rules, {}, {}), -1);
}

void TestAutomaticModes::addingReplacesTheApplicationsRule()
{
    QList<AutoModeRule> rules = {rule("steam", SoundPage::Surround, "FPS")};
    rules = withAutoModeRule(rules, rule("mpv", SoundPage::Stereo, "Jazz"));
    rules = withAutoModeRule(rules, rule("Steam", SoundPage::Surround, "Moba"));
    QCOMPARE(rules, (QList<AutoModeRule>{rule("Steam", SoundPage::Surround, "Moba"),
                                         rule("mpv", SoundPage::Stereo, "Jazz")}));
}

QTEST_GUILESS_MAIN(TestAutomaticModes)
#include "tst_automaticmodes.moc"
