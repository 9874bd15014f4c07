// Checks the default configuration files shipped with the program.
#include "ConfigNames.h"
#include "ConfigReader.h"
#include "GainText.h"

#include <QtTest>

#include <algorithm>
#include <functional>
#include <numeric>

namespace {

const QString kFolder = QStringLiteral(TEST_DATA_DIR);

// Mean gain of bands first..last (0 = 30 Hz, 6 = 2 kHz, 7 = 4 kHz, 9 = 16 kHz).
double mean(const EqGains& g, int first, int last)
{
    return std::accumulate(g.begin() + first, g.begin() + last + 1, 0.0) / (last - first + 1);
}

bool allWithin(const EqGains& g, int limit)
{
    return std::all_of(g.begin(), g.end(), [=](int gain) { return std::abs(gain) <= limit; });
}

using Shape = std::function<bool(const EqGains&)>;

// What each preset's name promises, band 0 = 30 Hz.
const Shape kBassLift = [](const EqGains& g) { return mean(g, 0, 2) >= 4 && mean(g, 5, 9) <= 1; };
const Shape kFootsteps = [](const EqGains& g) {
    return std::min(g[6], g[7]) >= 3 && mean(g, 0, 2) < 0;
};
const Shape kClearMids = [](const EqGains& g) {
    return mean(g, 4, 6) >= mean(g, 0, 2) + 2 && mean(g, 4, 6) > mean(g, 8, 9);
};
const Shape kVShape = [](const EqGains& g) {
    return g[0] >= 3 && g[9] >= 3 && std::min(g[4], g[5]) < 0;
};
const Shape kWarmMids = [](const EqGains& g) {
    return mean(g, 2, 4) >= 2 && mean(g, 2, 4) > mean(g, 7, 9);
};
const Shape kGentle = [](const EqGains& g) { return allWithin(g, 2) && !allWithin(g, 0); };
const Shape kVocalPresence = [](const EqGains& g) {
    return mean(g, 5, 7) >= 3 && mean(g, 5, 7) > mean(g, 0, 2);
};
const Shape kFlat = [](const EqGains& g) { return allWithin(g, 0); };

struct PresetShape
{
    const char* page;
    int index; // position in the page's preset list
    const char* name;
    Shape shape;
};

const PresetShape kPresets[] = {
    {kAlgorithmSurround, 0, "Deep Bass", kBassLift}, {kAlgorithmSurround, 1, "FPS", kFootsteps},
    {kAlgorithmSurround, 2, "ZUVO Standard", kFlat}, {kAlgorithmSurround, 3, "MOBA", kClearMids},
    {kAlgorithmStereo, 0, "Pop", kVocalPresence},    {kAlgorithmStereo, 1, "Rack&Roll", kVShape},
    {kAlgorithmStereo, 2, "Deep Bass", kBassLift},   {kAlgorithmStereo, 3, "Jazz", kWarmMids},
    {kAlgorithmStereo, 4, "Classic", kGentle},       {kAlgorithmStereo, 5, "ZUVO Standard", kFlat},
};

} // namespace

class TestDefaultFiles : public QObject
{
    Q_OBJECT

private slots:
    void everySupportedModelHasAFile();
    void fileDescribesItsModel_data();
    void fileDescribesItsModel();
    void presetGainsSuitTheirNames_data();
    void presetGainsSuitTheirNames();
};

void TestDefaultFiles::everySupportedModelHasAFile()
{
    const QList<ConfigFileRead> files = readConfigFolder(kFolder);
    const QList<quint16> ids = productIdsOf(files);
    QCOMPARE(ids.size(), files.size()); // one file per model
    for (const quint16 id : {0x1054, 0x1029, 0x104d, 0x0f51, 0x4130})
        QVERIFY2(ids.contains(id), qPrintable(QString::number(id, 16)));
}

void TestDefaultFiles::fileDescribesItsModel_data()
{
    QTest::addColumn<QString>("fileName");
    for (const QString& name : listConfigFileNames(kFolder))
        QTest::newRow(qPrintable(name)) << name;
}

void TestDefaultFiles::fileDescribesItsModel()
{
    QFETCH(QString, fileName);
    const ConfigReadResult read = readConfigFile(kFolder + QLatin1Char('/') + fileName);
    QVERIFY2(read.ok() && read.rootIsObject, qPrintable(read.errorText));
    const ConfigRecord& record = read.record;
    QCOMPARE(record.vendorId, quint16(0x3206));
    QCOMPARE(fileName, defaultFileName(record.vendorId, record.productId));
    // velumixctl and the window's channel name the model.
    QVERIFY(!read.modelName.isEmpty());
    // Only user files carry an identity and custom modes.
    QVERIFY(!(read.fields & IdentityField));
    QVERIFY(read.customModes.isEmpty());
    QCOMPARE(record.surroundPresets.size(), 4);
    QCOMPARE(record.stereoPresets.size(), 6);
    for (const QString& entry : record.surroundPresets + record.stereoPresets) {
        const ParsedPresetEntry preset = parsePresetEntry(entry);
        QCOMPARE(preset.gains.size(), kBandCount);
        QVERIFY2(std::all_of(preset.gains.begin(), preset.gains.end(),
                             [](int gain) { return gain >= -12 && gain <= 12; }),
                 qPrintable(entry));
    }
    // The initial mode of a new headset is the standard preset.
    QCOMPARE(record.mode, QLatin1String(kModeDefault));
    QCOMPARE(record.algorithm, QLatin1String(kAlgorithmSurround));
    QCOMPARE(record.name, QStringLiteral("ZUVO Standard"));
}

void TestDefaultFiles::presetGainsSuitTheirNames_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("preset");
    for (const QString& name : listConfigFileNames(kFolder)) {
        for (int i = 0; i < int(std::size(kPresets)); ++i) {
            const QString row = name + QLatin1Char(' ') + QLatin1String(kPresets[i].page) +
                                QLatin1Char(' ') + QLatin1String(kPresets[i].name);
            QTest::newRow(qPrintable(row)) << name << i;
        }
    }
}

void TestDefaultFiles::presetGainsSuitTheirNames()
{
    QFETCH(QString, fileName);
    QFETCH(int, preset);
    const PresetShape& expected = kPresets[preset];
    const ConfigRecord record = readConfigFile(kFolder + QLatin1Char('/') + fileName).record;
    const QStringList& entries = QLatin1String(expected.page) == QLatin1String(kAlgorithmSurround)
                                     ? record.surroundPresets
                                     : record.stereoPresets;
    QVERIFY(expected.index < entries.size());

    const ParsedPresetEntry entry = parsePresetEntry(entries.at(expected.index));
    QCOMPARE(entry.name, QLatin1String(expected.name));
    EqGains gains{};
    std::copy(entry.gains.begin(), entry.gains.end(), gains.begin());
    QVERIFY2(expected.shape(gains), qPrintable(entries.at(expected.index)));
}

QTEST_GUILESS_MAIN(TestDefaultFiles)
#include "tst_defaultfiles.moc"
