// Names people type for presets and custom modes: found, ambiguous, or
// refused with the choices named.

#include "ModeLookup.h"

#include <QtTest>

Q_DECLARE_METATYPE(std::optional<SoundPage>)

namespace {

CustomRecord mode(const char* algorithm, const char* name)
{
    return {algorithm, name, "0,0,0,0,0,0,0,0,0,0"};
}

// Two surround modes named alike, one stereo "Night" and a surround "Night",
// and a sixth surround mode the slots do not show.
QList<CustomRecord> unitModes()
{
    return {mode("Surround", "Night"), mode("Stereo", "Night"),   mode("Surround", "Twin"),
            mode("Surround", "Twin"),  mode("Stereo", "Voice"),   mode("Surround", "Four"),
            mode("Surround", "Five"),  mode("Surround", "Hidden")};
}

ConfigRecord defaultsWith(int surroundEntries, int stereoEntries)
{
    ConfigRecord record;
    for (int i = 0; i < surroundEntries; ++i)
        record.surroundPresets << QStringLiteral("p_'0,0,0,0,0,0,0,0,0,0'");
    for (int i = 0; i < stereoEntries; ++i)
        record.stereoPresets << QStringLiteral("p_'0,0,0,0,0,0,0,0,0,0'");
    return record;
}

} // namespace

class TestModeLookup : public QObject
{
    Q_OBJECT
private slots:
    void customModes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<SoundPage>>("page");
        QTest::addColumn<int>("slot"); // -1: not found
        QTest::addColumn<QString>("errorPart");
        using P = std::optional<SoundPage>;
        QTest::newRow("unique") << "Voice" << P() << 1 << "";
        QTest::newRow("page picks one of two") << "Night" << P(SoundPage::Stereo) << 0 << "";
        QTest::newRow("pages differ") << "Night" << P() << -1 << "name the page";
        QTest::newRow("same page twice")
            << "Twin" << P(SoundPage::Surround) << -1 << "surround slot 2, surround slot 3";
        QTest::newRow("beyond the fifth slot") << "Hidden" << P() << -1 << "no custom mode";
        QTest::newRow("wrong page")
            << "Voice" << P(SoundPage::Surround) << -1 << "of the surround page";
        QTest::newRow("names the choices")
            << "Nope" << P(SoundPage::Stereo) << -1 << "'Night', 'Voice'";
    }
    void customModes()
    {
        QFETCH(QString, name);
        QFETCH(std::optional<SoundPage>, page);
        QFETCH(int, slot);
        QFETCH(QString, errorPart);
        const CustomModeLookup lookup = lookUpCustomMode(unitModes(), name, page);
        QCOMPARE(lookup.slot, slot);
        QCOMPARE(lookup.page.has_value(), slot >= 0);
        if (slot >= 0)
            QCOMPARE(lookup.record.name, name);
        QVERIFY2(lookup.error.contains(errorPart), qPrintable(lookup.error));
        QCOMPARE(lookup.error.isEmpty(), slot >= 0);
    }

    void takenNames()
    {
        const QList<CustomRecord> modes = unitModes();
        QVERIFY(customNameTaken(modes, SoundPage::Surround, "Four"));
        QVERIFY(!customNameTaken(modes, SoundPage::Stereo, "Four"));
        QVERIFY(!customNameTaken(modes, SoundPage::Surround, "Four", 3)); // renaming itself
        QVERIFY(!customNameTaken(modes, SoundPage::Surround, "Hidden"));  // not shown
    }

    void presetsOfAModel()
    {
        // A model whose file has only the first four stereo entries.
        const ConfigRecord defaults = defaultsWith(4, 4);
        QCOMPARE(int(presetsOffered(defaults, SoundPage::Stereo).size()), 4);
        QCOMPARE(int(presetsOffered(defaults).size()), 8);
        QVERIFY(lookUpPreset("jazz", SoundPage::Stereo, defaults, "Halden").preset);
        const PresetLookup classic = lookUpPreset("Classic", std::nullopt, defaults, "Halden");
        QVERIFY(!classic.preset);
        const QString choices = classic.error.section("its presets are", 1);
        QVERIFY2(classic.error.contains("Halden") && choices.contains("'Jazz'") &&
                     !choices.contains("Classic"),
                 qPrintable(classic.error));
        const PresetLookup fps = lookUpPreset("FPS", SoundPage::Stereo, defaults, "Halden");
        QVERIFY(!fps.preset);
        QVERIFY2(fps.error.contains("of the stereo page"), qPrintable(fps.error));
    }

    void modelNames()
    {
        ConfigFileRead file;
        file.content.record.productId = 0x1054;
        file.content.fields = ProductIdField;
        file.content.modelName = "Halden";
        QCOMPARE(modelNameOf(0x1054, {file}), QString("Halden"));
        QCOMPARE(modelNameOf(0x0abc, {file}), QString("headset 0abc"));
    }

    void pageNames()
    {
        for (SoundPage page : {SoundPage::Surround, SoundPage::Stereo})
            QCOMPARE(soundPageNamed(soundPageName(page)), page);
        QVERIFY(!soundPageNamed("Surround"));
    }
};

QTEST_GUILESS_MAIN(TestModeLookup)
#include "tst_modelookup.moc"
