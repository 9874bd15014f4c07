// velumixctl's commands carried out by the running program: the command
// service runs them against the session the window shows. Each command must
// leave the widgets, the user file and the headset exactly as the matching
// clicks do: the same command runs in one window and the clicks in another,
// and everything a person or the headset can see is compared. Then every
// refusal with its exit code, the events a watcher hears, the simulated
// headset's command, and what the program reports about itself.

#include "CommandService.h"
#include "ConfigNames.h"
#include "CorrectionImport.h"
#include "ModeLookup.h"
#include "SimulatorPanel.h"
#include "WatchEvents.h"
#include "WindowRig.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

namespace {

constexpr EqGains kNightOwlGains{-3, -1, 2, 5, 7, 7, 4, 1, -2, -4};
constexpr EqGains kLateShowGains{6, 5, 3, 0, -1, -1, 0, 2, 4, 6};
constexpr EqGains kPodcastGains{1, 2, 3, 4, 5, -5, -4, -3, -2, -1};
constexpr EqGains kRawGains{4, 4, 2, 0, 0, 0, 0, -2, -4, -4};

const QList<CustomRecord> kModes = {customMode("Surround", "Night Owl", kNightOwlGains),
                                    customMode("Stereo", "Late Show", kLateShowGains),
                                    customMode("Stereo", "Podcast voice", kPodcastGains)};

const QString kNoHeadset = QStringLiteral("no headset found (vendor 3206, accepted products)");

void prepareHaldenFile(const QList<CustomRecord>& modes = kModes)
{
    prepareUserFile(kHalden, kFirstUnit, modes,
                    currentMode("Surround", "default", "ZUVO Standard"));
}

QString jsonText(const QJsonValue& value)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact));
}

remote::Result run(WindowRig& rig, const QString& command, const QJsonObject& arguments = {})
{
    return CommandService(rig.session()).run({command, arguments});
}

// What a person and the headset can see after a command or its clicks.
struct Seen
{
    int tab = -1;
    QStringList checkedRadios;
    EqGains surroundGains{};
    EqGains stereoGains{};
    int micLevel = -1;
    bool noiseCancellation = false;
    QString savedMode;
    QStringList customModes;
    Frames frames;
    QStringList boxes;
};

Seen outcomeOf(WindowRig& rig)
{
    Velumix& window = rig.window();
    Seen outcome;
    outcome.tab = window.ui.tabWidget->currentIndex();
    for (QRadioButton* radio : window.findChildren<QRadioButton*>())
        if (radio->isChecked())
            outcome.checkedRadios << radio->objectName();
    outcome.checkedRadios.sort();
    outcome.surroundGains = sliderGains(window, SoundPage::Surround);
    outcome.stereoGains = sliderGains(window, SoundPage::Stereo);
    outcome.micLevel = window.ui.Slider_Voice1_3->value();
    outcome.noiseCancellation = window.ui.checkBox_MicENC->isChecked();
    const QString file = userFilePath(kHalden, kFirstUnit);
    outcome.savedMode = savedModeInFile(file);
    outcome.customModes = customModesInFile(file);
    outcome.frames = rig.frames();
    outcome.boxes = rig.boxes();
    return outcome;
}

// The microphone controls lie on their own page; the clicks act on them
// where they are, as the command does, without opening that page.
bool dragMicrophone(WindowRig& rig, int level)
{
    QSlider* slider = rig.window().ui.Slider_Voice1_3;
    slider->setSliderDown(true);
    slider->setSliderPosition(level);
    slider->setSliderDown(false);
    return true;
}

using Clicks = std::function<bool(WindowRig&)>;

struct CommandCase
{
    const char* title;
    SoundPage startPage;
    QString command;
    QJsonObject arguments;
    // What a person does for the same; none for the raw protocol commands,
    // which leave every widget alone.
    Clicks clicks;
    QJsonValue data;
    // When given (or with no clicks): exactly the frames the headset receives.
    Frames frames;
};

// A person clicks the page's tab only when another page is in front.
bool bringForward(WindowRig& rig, const PageControls& controls)
{
    return rig.window().ui.tabWidget->currentIndex() == controls.tab || rig.openPage(controls);
}

Clicks pressOn(SoundPage page, const char* radio)
{
    return [page, radio](WindowRig& rig) {
        return bringForward(rig, rig.page(page)) &&
               rig.press(named<QRadioButton>(rig.window(), radio));
    };
}

Clicks customSlotOn(SoundPage page, int slot)
{
    return [page, slot](WindowRig& rig) {
        const PageControls controls = rig.page(page);
        return bringForward(rig, controls) && rig.press(controls.customize) &&
               rig.press(controls.customSlots[slot - 1]);
    };
}

QJsonObject pageAndName(const char* page, const char* name)
{
    return {{"page", page}, {"name", name}};
}

const std::vector<CommandCase>& commandCases()
{
    static const std::vector<CommandCase> cases = {
        {"preset of the other page",
         SoundPage::Surround,
         "preset",
         {{"name", "Jazz"}},
         pressOn(SoundPage::Stereo, "radioButton_Stereo_Jazz"),
         pageAndName("stereo", "Jazz"),
         {}},
        {"preset of the page shown",
         SoundPage::Surround,
         "preset",
         {{"name", "FPS"}},
         pressOn(SoundPage::Surround, "radioButton_Surround_FPS"),
         pageAndName("surround", "FPS"),
         {}},
        {"preset named loosely, with its page",
         SoundPage::Stereo,
         "preset",
         {{"name", "deep bass"}, {"page", "surround"}},
         pressOn(SoundPage::Surround, "radioButton_Surround_DeepBas"),
         pageAndName("surround", "Deep Bass"),
         {}},
        {"custom mode of the other page",
         SoundPage::Surround,
         "custom-apply",
         {{"name", "Podcast voice"}},
         customSlotOn(SoundPage::Stereo, 2),
         pageAndName("stereo", "Podcast voice"),
         {}},
        {"custom mode of the page shown",
         SoundPage::Surround,
         "custom-apply",
         {{"name", "Night Owl"}, {"page", "surround"}},
         customSlotOn(SoundPage::Surround, 1),
         pageAndName("surround", "Night Owl"),
         {}},
        {"microphone level",
         SoundPage::Stereo,
         "mic-volume",
         {{"level", 40}},
         [](WindowRig& rig) { return dragMicrophone(rig, 40); },
         QJsonValue(),
         {bytesOf(frame::setMicVolumeCommand(40))}},
        {"noise cancellation off",
         SoundPage::Surround,
         "enc",
         {{"on", false}},
         [](WindowRig& rig) { return rig.window().ui.pushButton_3->click(), true; },
         QJsonValue(),
         {bytesOf(frame::setAlgorithmSwitchCommand(1, 0, 2, 0))}},
        // Nothing was set over the link yet: on is sent, not taken as known.
        {"noise cancellation on",
         SoundPage::Surround,
         "enc",
         {{"on", true}},
         [](WindowRig& rig) { return rig.window().ui.pushButton_2->click(), true; },
         QJsonValue(),
         {bytesOf(frame::setAlgorithmSwitchCommand(1, 0, 1, 0))}},
        {"raw equaliser",
         SoundPage::Surround,
         "eq",
         {{"mode", 7}, {"gains", QJsonArray{4, 4, 2, 0, 0, 0, 0, -2, -4, -4}}, {"channel", 1}},
         {},
         QJsonValue(),
         // The acknowledgement of bands 5-9 makes the window switch to its page.
         concatenated(peqPair(7, kRawGains, kHalden),
                      {bytesOf(frame::setAlgorithmSwitchCommand(1, 1, 0, 1))})},
        {"raw switch",
         SoundPage::Stereo,
         "switch",
         {{"bytes", QJsonArray{1, 0, 1, 0}}},
         {},
         QJsonValue(),
         {bytesOf(frame::setAlgorithmSwitchCommand(1, 0, 1, 0))}},
    };
    return cases;
}

Frames withoutSwitches(const Frames& frames)
{
    Frames kept;
    for (const Frame& frame : frames)
        if (frame[frame::kCodeOffset] != frame::SetAlgorithmSwitch)
            kept.push_back(frame);
    return kept;
}

// Each acknowledged equaliser makes the window send its page's switch, once
// for every acknowledgement it finds complete; replies that come in while a
// person moves from one click to the next do that in between, the command's
// clicks follow each other at once. Both must send the same other frames in
// the same order and end on the same frame.
void compareFrames(const Frames& commanded, const Frames& clicked)
{
    QCOMPARE(withoutSwitches(commanded), withoutSwitches(clicked));
    QVERIFY(!commanded.empty());
    QCOMPARE(Frames{commanded.back()}, Frames{clicked.back()});
}

// One window started on the page, then the command or the clicks.
Seen outcomeAfter(const CommandCase& testCase, bool byCommand, remote::Result* result)
{
    prepareHaldenFile();
    WindowRig rig;
    if (!rig.startOnPage(kHalden, testCase.startPage)) {
        qWarning("the window did not start");
        return {};
    }
    rig.clearFrames();
    if (byCommand)
        *result = run(rig, testCase.command, testCase.arguments);
    else if (testCase.clicks && !testCase.clicks(rig))
        qWarning("a click was not possible");
    rig.settle();
    return outcomeOf(rig);
}

// The texts of the events a spy recorded, in order.
QStringList eventsOf(const QSignalSpy& spy)
{
    QStringList events;
    for (const QList<QVariant>& arguments : spy)
        events << jsonText(arguments.at(0).toJsonObject());
    return events;
}

QString eventText(const QJsonObject& members)
{
    return jsonText(members);
}

QString modeEvent(const char* page, const char* kind, const char* name)
{
    return eventText({{"event", "mode"}, {"page", page}, {"kind", kind}, {"name", name}});
}

QString haldenEvent(const char* name, const DeviceIdentity* identity = nullptr)
{
    QJsonObject members{{"event", name}, {"productId", "1054"}, {"model", "Halden"}};
    if (identity)
        members.insert("identity", identityToHex(*identity));
    return eventText(members);
}

} // namespace

class RemoteCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void commandDoesWhatClicksDo_data();
    void commandDoesWhatClicksDo();
    void refusals_data();
    void refusals();
    void withoutHeadset_data();
    void withoutHeadset();
    void failedWrite();
    void reports();
    void listsInterfaces();
    void events();
    void simulate();
    void simulateRefusals_data();
    void simulateRefusals();
};

void RemoteCommandsTest::commandDoesWhatClicksDo_data()
{
    QTest::addColumn<int>("index");
    for (size_t i = 0; i < commandCases().size(); ++i)
        QTest::newRow(commandCases()[i].title) << int(i);
}

void RemoteCommandsTest::commandDoesWhatClicksDo()
{
    QFETCH(int, index);
    const CommandCase& testCase = commandCases()[index];
    remote::Result result = remote::Result::failure(-1, "not run");
    const Seen commanded = outcomeAfter(testCase, true, &result);
    const Seen clicked = outcomeAfter(testCase, false, nullptr);

    QCOMPARE(result.exit, int(remote::ExitSuccess));
    QCOMPARE(result.error, QString());
    QCOMPARE(jsonText(result.data), jsonText(testCase.data));
    if (testCase.clicks) {
        QVERIFY(!clicked.frames.empty());
        compareFrames(commanded.frames, clicked.frames);
    }
    if (!testCase.frames.empty() || !testCase.clicks)
        QCOMPARE(commanded.frames, testCase.frames);
    QCOMPARE(commanded.tab, clicked.tab);
    QCOMPARE(commanded.checkedRadios, clicked.checkedRadios);
    QCOMPARE(commanded.surroundGains, clicked.surroundGains);
    QCOMPARE(commanded.stereoGains, clicked.stereoGains);
    QCOMPARE(commanded.micLevel, clicked.micLevel);
    QCOMPARE(commanded.noiseCancellation, clicked.noiseCancellation);
    QCOMPARE(commanded.savedMode, clicked.savedMode);
    QCOMPARE(commanded.customModes, clicked.customModes);
    QCOMPARE(commanded.boxes, QStringList());
}

void RemoteCommandsTest::refusals_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QJsonObject>("arguments");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("error");

    const QString nope = lookUpPreset("Nope", std::nullopt, shippedConfig(kHalden), "Halden").error;
    const auto row = [](const char* title, const char* command, const QJsonObject& arguments,
                        remote::Exit exit, const QString& error) {
        QTest::newRow(title) << QString(command) << arguments << int(exit) << error;
    };
    row("unknown command", "frobnicate", {}, remote::ExitUsage, "unknown command 'frobnicate'");
    row("no name", "preset", {}, remote::ExitUsage, "preset needs 'name'");
    row("name not a string", "preset", {{"name", 5}}, remote::ExitUsage,
        "preset: 'name' must be a non-empty string of at most 256 characters");
    row("empty name", "custom-apply", {{"name", ""}}, remote::ExitUsage,
        "custom-apply: 'name' must be a non-empty string of at most 256 characters");
    row("no such page", "preset", {{"name", "Jazz"}, {"page", "mono"}}, remote::ExitUsage,
        "preset: 'page' must be one of 'surround', 'stereo'");
    row("unknown preset", "preset", {{"name", "Nope"}}, remote::ExitNoConfiguration, nope);
    row("preset of the other page", "preset", {{"name", "Jazz"}, {"page", "surround"}},
        remote::ExitNoConfiguration,
        "'Jazz' is not a preset of the surround page of Halden; its presets are 'Deep Bass', "
        "'FPS', 'Moba', 'KAVRO Standard'");
    row("ambiguous custom name", "custom-apply", {{"name", "Twin"}}, remote::ExitNoConfiguration,
        "'Twin' names 2 custom modes (surround slot 2, stereo slot 1); name the page");
    row("unknown custom name", "custom-apply", {{"name", "Nobody"}, {"page", "stereo"}},
        remote::ExitNoConfiguration,
        "no custom mode 'Nobody' of the stereo page; the custom modes are 'Twin'");
    const QString malformed = QStringLiteral(TEST_DATA_DIR "/malformed-filter.txt");
    row("import of a malformed file", "custom-import",
        {{"path", malformed}, {"name", "Fitted"}, {"page", "stereo"}}, remote::ExitUsage,
        malformed + ": " + readCorrectionFile(malformed, kDefaultSampleRateHz).error);
    row("import under a name the page has", "custom-import",
        {{"path", QStringLiteral(TEST_EQUALISER_FIXTURES "/graphiceq.txt")},
         {"name", "Twin"},
         {"page", "stereo"}},
        remote::ExitNoConfiguration, "the stereo page has a custom mode called \"Twin\" already");
    row("export of an unknown mode", "custom-export",
        {{"name", "Nobody"}, {"page", "stereo"}, {"format", "json"}}, remote::ExitNoConfiguration,
        "no custom mode 'Nobody' of the stereo page; the custom modes are 'Twin'");
    row("export in an unknown format", "custom-export", {{"name", "Twin"}, {"format", "xml"}},
        remote::ExitUsage, "custom-export: 'format' must be one of 'parametric', 'json'");
    row("unexpected argument", "mic-volume", {{"level", 40}, {"volume", 3}}, remote::ExitUsage,
        "mic-volume: unexpected argument 'volume'");
    row("level above 100", "mic-volume", {{"level", 101}}, remote::ExitUsage,
        "mic-volume: 'level' must be a whole number from 0 to 100");
    row("level below 0", "mic-volume", {{"level", -1}}, remote::ExitUsage,
        "mic-volume: 'level' must be a whole number from 0 to 100");
    row("level not whole", "mic-volume", {{"level", 40.5}}, remote::ExitUsage,
        "mic-volume: 'level' must be a whole number from 0 to 100");
    row("level as text", "mic-volume", {{"level", "40"}}, remote::ExitUsage,
        "mic-volume: 'level' must be a whole number from 0 to 100");
    row("no level", "mic-volume", {{"level", QJsonValue()}}, remote::ExitUsage,
        "mic-volume needs 'level'");
    row("on as text", "enc", {{"on", "yes"}}, remote::ExitUsage, "enc: 'on' must be true or false");
    row("nine gains", "eq", {{"mode", 3}, {"gains", QJsonArray{0, 0, 0, 0, 0, 0, 0, 0, 0}}},
        remote::ExitUsage, "eq: 'gains' must be an array of 10 whole numbers from -12 to 12");
    row("gain too high", "eq", {{"mode", 3}, {"gains", QJsonArray{0, 0, 0, 0, 13, 0, 0, 0, 0, 0}}},
        remote::ExitUsage, "eq: 'gains' must be an array of 10 whole numbers from -12 to 12");
    row("mode too high", "eq", {{"mode", 256}, {"gains", QJsonArray{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}},
        remote::ExitUsage, "eq: 'mode' must be a whole number from 0 to 255");
    row("three bytes", "switch", {{"bytes", QJsonArray{1, 0, 1}}}, remote::ExitUsage,
        "switch: 'bytes' must be an array of 4 whole numbers from 0 to 255");
    row("byte too large", "switch", {{"bytes", QJsonArray{1, 0, 1, 256}}}, remote::ExitUsage,
        "switch: 'bytes' must be an array of 4 whole numbers from 0 to 255");
    row("bytes as text", "switch", {{"bytes", "1 0 1 0"}}, remote::ExitUsage,
        "switch: 'bytes' must be an array of 4 whole numbers from 0 to 255");
    row("huge number", "switch", {{"bytes", QJsonArray{1e300, 0, 1, 0}}}, remote::ExitUsage,
        "switch: 'bytes' must be an array of 4 whole numbers from 0 to 255");
    row("product not hexadecimal", "preset-list", {{"productId", "10g4"}}, remote::ExitUsage,
        "preset-list: 'productId' must be 4 hexadecimal digits");
    row("product without default file", "preset-list", {{"productId", "abcd"}},
        remote::ExitNoConfiguration, "no default file for product abcd");
}

// A refused command sends nothing and leaves the file and the widgets alone.
void RemoteCommandsTest::refusals()
{
    QFETCH(QString, command);
    QFETCH(QJsonObject, arguments);
    QFETCH(int, exit);
    QFETCH(QString, error);
    prepareHaldenFile({customMode("Surround", "Alpha", {}), customMode("Surround", "Twin", {}),
                       customMode("Stereo", "Twin", kPodcastGains)});
    WindowRig rig;
    QVERIFY(rig.startOnPage(kHalden, SoundPage::Surround));
    rig.clearFrames();
    const QByteArray fileBefore = fileBytes(userFilePath(kHalden, kFirstUnit));
    const Seen before = outcomeOf(rig);

    const remote::Result result = run(rig, command, arguments);

    QCOMPARE(result.exit, exit);
    QCOMPARE(result.error, error);
    QVERIFY(result.data.isNull());
    QVERIFY(rig.settle());
    QCOMPARE(rig.frames(), Frames{});
    QCOMPARE(fileBytes(userFilePath(kHalden, kFirstUnit)), fileBefore);
    const Seen after = outcomeOf(rig);
    QCOMPARE(after.tab, before.tab);
    QCOMPARE(after.checkedRadios, before.checkedRadios);
    QCOMPARE(after.micLevel, before.micLevel);
    QCOMPARE(after.noiseCancellation, before.noiseCancellation);
    QCOMPARE(rig.boxes(), QStringList());
}

void RemoteCommandsTest::withoutHeadset_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QJsonObject>("arguments");
    for (const auto& [command, arguments] :
         std::initializer_list<std::pair<const char*, QJsonObject>>{
             {"preset", {{"name", "Jazz"}}},
             {"custom-apply", {{"name", "Night Owl"}}},
             {"custom-list", {}},
             {"preset-list", {}},
             {"mic-volume", {{"level", 40}}},
             {"enc", {{"on", false}}},
             {"eq", {{"mode", 3}, {"gains", QJsonArray{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}}},
             {"switch", {{"bytes", QJsonArray{1, 0, 1, 0}}}},
             {"info", {}},
             {"status", {}},
             {"list", {}},
             {"get", {}},
         })
        QTest::newRow(command) << QString(command) << arguments;
}

void RemoteCommandsTest::withoutHeadset()
{
    QFETCH(QString, command);
    QFETCH(QJsonObject, arguments);
    WindowRig rig;
    rig.addUnit(kHalden, kFirstUnit, false);
    rig.buildWindow().show();

    const remote::Result result = run(rig, command, arguments);

    QCOMPARE(result.exit, int(remote::ExitNoHeadset));
    QCOMPARE(result.error, kNoHeadset);
    QCOMPARE(rig.frames(), Frames{});
    QVERIFY(!rig.window().ui.checkBox_MicENC->isChecked());
    QCOMPARE(rig.session().noiseCancellation(), std::nullopt);
    QCOMPARE(rig.boxes(), QStringList());
}

void RemoteCommandsTest::failedWrite()
{
    prepareHaldenFile();
    WindowRig rig;
    QVERIFY(rig.startOnPage(kHalden, SoundPage::Surround));
    rig.backend.setWriteFails(true);

    for (const auto& [command, arguments] :
         std::initializer_list<std::pair<const char*, QJsonObject>>{
             {"preset", {{"name", "FPS"}}},
             {"mic-volume", {{"level", 30}}},
             {"switch", {{"bytes", QJsonArray{1, 0, 1, 0}}}},
         }) {
        const remote::Result result = run(rig, command, arguments);
        QCOMPARE(result.exit, int(remote::ExitWriteFailed));
        QCOMPARE(result.error, QStringLiteral("writing to the headset failed."));
    }
}

// get, info, status, preset-list and custom-list report what the window
// knows and what the headset told it.
void RemoteCommandsTest::reports()
{
    prepareHaldenFile();
    WindowRig rig;
    QVERIFY(rig.startOnPage(kHalden, SoundPage::Surround));
    QVERIFY(rig.press(named<QRadioButton>(rig.window(), "radioButton_Surround_FPS")));
    QVERIFY(rig.settle());
    QJsonArray fpsGains;
    for (int gain : shippedPresetGains(kHalden, "Surround", "FPS"))
        fpsGains.append(gain);

    const QJsonObject get{{"model", "Halden"},
                          {"productId", "1054"},
                          {"identity", "0a1b2c3d"},
                          {"page", "surround"},
                          {"mode", QJsonObject{{"kind", "preset"}, {"name", "FPS"}}},
                          {"gains", fpsGains},
                          {"micLevel", 100},
                          // Not set over this link yet.
                          {"noiseCancellation", QJsonValue()}};
    QCOMPARE(jsonText(run(rig, "get").data), jsonText(get));
    const QJsonObject info{
        {"model", "Halden"},      {"productId", "1054"}, {"firmware", "VLX-FW 1.4.2"},
        {"sampleRate", 48000},    {"stereo", 1},         {"surround", 1},
        {"identity", "0a1b2c3d"}, {"page", "surround"}};
    QCOMPARE(jsonText(run(rig, "info").data), jsonText(info));
    const QJsonObject status{
        {"page", "surround"}, {"stereoTab", 1}, {"surroundTab", 1}, {"identity", "0a1b2c3d"}};
    QCOMPARE(jsonText(run(rig, "status").data), jsonText(status));

    const QJsonArray stereoPresets{
        pageAndName("stereo", "Pop"),       pageAndName("stereo", "Rock & Roll"),
        pageAndName("stereo", "Deep Bass"), pageAndName("stereo", "Jazz"),
        pageAndName("stereo", "Classic"),   pageAndName("stereo", "KAVRO Standard")};
    QCOMPARE(jsonText(run(rig, "preset-list", {{"page", "stereo"}}).data), jsonText(stereoPresets));
    QJsonArray morvikPresets;
    for (const BuiltInPreset& preset : presetsOffered(shippedConfig(kMorvik), SoundPage::Surround))
        morvikPresets.append(pageAndName("surround", preset.caption));
    QVERIFY(!morvikPresets.isEmpty());
    QCOMPARE(jsonText(run(rig, "preset-list", {{"page", "surround"}, {"productId", "1029"}}).data),
             jsonText(morvikPresets));

    QJsonArray customModes;
    for (const CustomRecord& mode : kModes) {
        QJsonArray gains;
        for (int gain : gainsOf(mode.parameter))
            gains.append(gain);
        customModes.append(
            QJsonObject{{"page", mode.algorithm.toLower()}, {"name", mode.name}, {"gains", gains}});
    }
    QCOMPARE(jsonText(run(rig, "custom-list").data), jsonText(customModes));

    // Opening the stereo page changes what get reports, not what the headset said.
    QVERIFY(rig.openCustomList(rig.page(SoundPage::Stereo)));
    const QJsonObject afterCustomize = run(rig, "get").data.toObject();
    QCOMPARE(afterCustomize["page"].toString(), QStringLiteral("stereo"));
    QCOMPARE(jsonText(afterCustomize["mode"]),
             jsonText(QJsonObject{{"kind", "customize"}, {"name", QJsonValue()}}));
    QCOMPARE(run(rig, "status").data.toObject()["page"].toString(), QStringLiteral("surround"));
}

// Every accepted interface, with its model; the identity only on the
// interface of the connected unit.
void RemoteCommandsTest::listsInterfaces()
{
    WindowRig rig;
    const int morvik = rig.addUnit(kMorvik, kSecondUnit);
    QVERIFY(rig.startWith(kHalden));

    const QJsonArray list = run(rig, "list").data.toArray();

    QCOMPARE(list.size(), 2);
    const std::string connectedPath = rig.session().link().path();
    int connectedEntries = 0;
    for (const QJsonValue& value : list) {
        const QJsonObject entry = value.toObject();
        const bool connected = entry["path"].toString().toStdString() == connectedPath;
        connectedEntries += connected ? 1 : 0;
        const bool isMorvik = entry["productId"].toString() == "1029";
        QCOMPARE(entry["vendorId"].toString(), QStringLiteral("3206"));
        QCOMPARE(entry["model"].toString(),
                 isMorvik ? QStringLiteral("Morvik") : QStringLiteral("Halden"));
        QCOMPARE(jsonText(entry["identity"]),
                 jsonText(connected ? QJsonValue(identityToHex(isMorvik ? kSecondUnit : kFirstUnit))
                                    : QJsonValue()));
        QVERIFY(entry["interface"].isDouble());
        QVERIFY(entry["usagePage"].toString().startsWith("ff"));
        if (isMorvik) {
            const auto paths = rig.backend.interfacePaths(morvik);
            QVERIFY(std::find(paths.begin(), paths.end(), entry["path"].toString().toStdString()) !=
                    paths.end());
        }
    }
    QCOMPARE(connectedEntries, 1);
}

// Plugging in, a preset, the microphone level, noise cancellation, pulling
// out and another unit: each change is heard once, in order.
void RemoteCommandsTest::events()
{
    prepareHaldenFile();
    prepareUserFile(kHalden, kSecondUnit, {});
    WindowRig rig;
    const int first = rig.addUnit(kHalden, kFirstUnit, false);
    const int second = rig.addUnit(kHalden, kSecondUnit, false);
    rig.buildWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.window()));
    // As velumixctl says it when it finds no headset itself.
    const remote::Result unlinked = run(rig, "get");
    QCOMPARE(unlinked.exit, int(remote::ExitNoHeadset));
    QCOMPARE(unlinked.error, kNoHeadset);
    const WatchEvents watch(rig.session());
    QSignalSpy spy(&watch, &WatchEvents::announced);

    rig.plugIn(first);
    QVERIFY(QTest::qWaitFor([&rig] { return rig.session().unitKnown(); }));
    QVERIFY(rig.settle());
    QVERIFY(run(rig, "preset", {{"name", "Jazz"}}).ok());
    QVERIFY(run(rig, "mic-volume", {{"level", 40}}).ok());
    QVERIFY(run(rig, "enc", {{"on", false}}).ok());
    QVERIFY(rig.settle());
    rig.pullOut(first);
    rig.plugIn(second);
    QVERIFY(QTest::qWaitFor([&rig] {
        return rig.session().unitKnown() && rig.session().unit().identity == kSecondUnit;
    }));
    QVERIFY(rig.settle());

    const QStringList expected = {
        haldenEvent("plugged"),
        haldenEvent("unit", &kFirstUnit),
        // Both pages' modes, in the order of the tabs.
        modeEvent("surround", "preset", "KAVRO Standard"),
        modeEvent("stereo", "preset", "KAVRO Standard"),
        eventText({{"event", "page"}, {"page", "stereo"}}),
        modeEvent("stereo", "preset", "Jazz"),
        eventText({{"event", "mic-level"}, {"level", 40}}),
        eventText({{"event", "noise-cancellation"}, {"on", false}}),
        eventText({{"event", "unplugged"}}),
        haldenEvent("plugged"),
        // The window sets the microphone of every arriving headset to 100.
        eventText({{"event", "mic-level"}, {"level", 100}}),
        haldenEvent("unit", &kSecondUnit),
        // The reported page is shown before the modes it comes back with.
        eventText({{"event", "page"}, {"page", "surround"}}),
        modeEvent("surround", "preset", "KAVRO Standard"),
        modeEvent("stereo", "preset", "KAVRO Standard"),
    };
    QCOMPARE(eventsOf(spy), expected);
}

// The simulated headset's command does what its control window's buttons
// and check box do.
void RemoteCommandsTest::simulate()
{
    WindowRig rig;
    const int unit = rig.addUnit(kHalden);
    QVERIFY(rig.start());
    SimulatorPanel panel(rig.backend, rig.hotplug, {kHalden}, unit);
    const auto simulate = [&panel](const QJsonObject& arguments) {
        return panel.runSimulateCommand({"simulate", arguments});
    };
    const auto unitData = [](const char* productId, const char* identity, bool plugged) {
        return jsonText(QJsonObject{
            {"unit",
             QJsonObject{{"productId", productId}, {"identity", identity}, {"plugged", plugged}}}});
    };

    QCOMPARE(jsonText(simulate({{"action", "unplug"}}).data), unitData("1054", "0a1b2c3d", false));
    QTRY_COMPARE(rig.session().isOpen(), false);
    QVERIFY(startScreenInFront(rig.window()));

    QCOMPARE(jsonText(simulate({{"action", "plug"}}).data), unitData("1054", "0a1b2c3d", true));
    QVERIFY(rig.settle());
    QCOMPARE(rig.session().isOpen(), true);

    QVERIFY(simulate({{"action", "report-page"}, {"page", "stereo"}}).ok());
    QCOMPARE(rig.settings(unit).stateByte, kStereoState);
    QVERIFY(panel.findChild<QCheckBox*>()->isChecked());

    const remote::Result swapped =
        simulate({{"action", "new-unit"}, {"productId", "1029"}, {"identity", "11223344"}});
    QCOMPARE(jsonText(swapped.data), unitData("1029", "11223344", true));
    QVERIFY(QTest::qWaitFor([&rig] {
        return rig.session().unitKnown() && rig.session().unit().identity == kSecondUnit;
    }));
    QVERIFY(rig.settle());
    QCOMPARE(rig.session().productId(), kMorvik);
    QCOMPARE(rig.settings(panel.currentUnit()).stateByte, kStereoState);
    QCOMPARE(rig.window().ui.tabWidget->currentIndex(), int(kStereoTab));
    QVERIFY(!rig.backend.isPlugged(unit));
}

void RemoteCommandsTest::simulateRefusals_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QJsonObject>("arguments");
    QTest::addColumn<QString>("error");
    const auto row = [](const char* title, const char* command, const QJsonObject& arguments,
                        const char* error) {
        QTest::newRow(title) << QString(command) << arguments << QString(error);
    };
    row("another command", "simulated", {{"action", "plug"}}, "unknown command 'simulated'");
    row("no action", "simulate", {}, "simulate needs 'action'");
    row("unknown action", "simulate", {{"action", "explode"}},
        "simulate: 'action' must be one of 'plug', 'unplug', 'new-unit', 'report-page'");
    row("identity too short", "simulate", {{"action", "new-unit"}, {"identity", "1122334"}},
        "simulate new-unit: 'identity' must be 8 hexadecimal digits");
    row("identity not hexadecimal", "simulate", {{"action", "new-unit"}, {"identity", "1122334z"}},
        "simulate new-unit: 'identity' must be 8 hexadecimal digits");
    row("product as a number", "simulate", {{"action", "new-unit"}, {"productId", 4180}},
        "simulate new-unit: 'productId' must be 4 hexadecimal digits");
    row("report-page without page", "simulate", {{"action", "report-page"}},
        "simulate report-page needs 'page'");
    row("page for plug", "simulate", {{"action", "plug"}, {"page", "stereo"}},
        "simulate plug: unexpected argument 'page'");
}

void RemoteCommandsTest::simulateRefusals()
{
    QFETCH(QString, command);
    QFETCH(QJsonObject, arguments);
    QFETCH(QString, error);
    WindowRig rig;
    const int unit = rig.addUnit(kHalden);
    QVERIFY(rig.start());
    SimulatorPanel panel(rig.backend, rig.hotplug, {kHalden}, unit);
    rig.clearFrames();

    const remote::Result result = panel.runSimulateCommand({command, arguments});

    QCOMPARE(result.exit, int(remote::ExitUsage));
    QCOMPARE(result.error, error);
    QCOMPARE(panel.currentUnit(), unit);
    QVERIFY(rig.backend.isPlugged(unit));
    QCOMPARE(rig.settings(unit).stateByte, kSurroundState);
    QCOMPARE(rig.frames(), Frames{});
}

QTEST_MAIN(RemoteCommandsTest)
#include "tst_remotecommands.moc"
