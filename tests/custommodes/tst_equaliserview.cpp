// What the equaliser pages show of the sound and how modes travel in files:
// the response curve behind the sliders, the dB readout while dragging,
// double-click to 0 dB, the hint on a preset's sliders, importing a
// correction file into a custom mode and exporting a custom mode. Every case
// checks what the simulated headset received and what the user file holds.

#include "ImportPreview.h"
#include "ModeImport.h"
#include "ModeTransfer.h"
#include "ResponseCurve.h"
#include "WindowRig.h"

#include <QtTest>

#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolTip>
#include <qcustomplot.h>

#include <functional>
#include <memory>

namespace {

constexpr int kUnit = 0;
const QString kImportedName = QStringLiteral("Flat target");

// Selecting or adding slot 1 sends this mode index (model 1 is the 0x1054 headset).
int firstSlotModeIndex(SoundPage page, quint16 productId)
{
    return page == SoundPage::Surround && productId != kHalden ? 20 : 6;
}

QString fixture(const char* name)
{
    return QStringLiteral(TEST_DATA_DIR "/") + QLatin1String(name);
}

void addPageModelRows()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<quint16>("productId");
    QTest::newRow("surround, model 1") << SoundPage::Surround << kHalden;
    QTest::newRow("surround, model 2") << SoundPage::Surround << kMorvik;
    QTest::newRow("stereo, model 2") << SoundPage::Stereo << kMorvik;
}

// Runs `handle` on the modal dialog that the next step opens, once it is up.
// A dialog that is not the import preview is noted and closed.
class ModalWatch
{
public:
    explicit ModalWatch(std::function<void(ImportPreview&)> handle)
    {
        QTimer::singleShot(0, [this, handle] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* preview = qobject_cast<ImportPreview*>(modal)) {
                previewShown = true;
                handle(*preview);
                if (preview->isVisible()) // a failed check returned early
                    preview->reject();
            } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                otherDialog = true;
                dialog->reject();
            }
        });
    }
    bool previewShown = false;
    bool otherDialog = false;
};

// The curve's points, as (Hz, dB).
Curve plottedCurve(Velumix& window, SoundPage page)
{
    Curve curve;
    QCustomPlot* plot = window.pageView(page).curve().plot();
    for (const QCPGraphData& point : *plot->graph(0)->data())
        curve.push_back({point.key, point.value});
    return curve;
}

int sampleRateHz(Velumix& window)
{
    const auto capabilities = window.session().capabilities();
    return capabilities ? capabilities->sampleRateHz : 0;
}

HeadsetBands customModeBands(Velumix& window, SoundPage page, quint16 productId)
{
    return headsetBands(*customModeQTable(page, productId), sampleRateHz(window));
}

void compareCurves(const Curve& actual, const Curve& expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        QVERIFY(qFuzzyCompare(actual[i].hz, expected[i].hz));
        QVERIFY2(std::abs(actual[i].db - expected[i].db) < 1e-9,
                 qPrintable(QString::number(actual[i].hz)));
    }
}

QPoint middleOf(const QWidget* widget)
{
    return widget->rect().center();
}

// The page's list with one blank custom mode, selected, whose sliders can move.
bool startWithCustomMode(WindowRig& rig, quint16 productId, SoundPage page)
{
    return rig.startOnCustomList(productId, page) && rig.press(rig.page(page).add) && rig.settle();
}

} // namespace

class EqualiserViewTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<ThrowawayHome>(); }
    void cleanup() { m_home.reset(); }

    void curveAndReadoutFollowDrag_data() { addPageModelRows(); }
    void curveAndReadoutFollowDrag();
    void doubleClickSendsZero_data() { addPageModelRows(); }
    void doubleClickSendsZero();
    void presetPressShowsHintSendsNothing_data() { addPageModelRows(); }
    void presetPressShowsHintSendsNothing();
    void importSendsAndSavesFittedGains_data() { addPageModelRows(); }
    void importSendsAndSavesFittedGains();
    void malformedImportSavesNothing();
    void importPreviewRefusesTakenName();
    void exportWritesModeFiles();
    void failedExportIsTold();

private:
    std::unique_ptr<ThrowawayHome> m_home;
};

void EqualiserViewTest::curveAndReadoutFollowDrag()
{
    QFETCH(SoundPage, page);
    QFETCH(quint16, productId);
    WindowRig rig;
    QVERIFY(startWithCustomMode(rig, productId, page));
    Velumix& window = rig.window();
    const PageControls controls = rig.page(page);
    const HeadsetBands bands = customModeBands(window, page, productId);
    compareCurves(plottedCurve(window, page), headsetResponse(EqGains{}, bands));
    auto* readout = named<QLabel>(window, page == SoundPage::Surround ? "bandReadout_Surround"
                                                                      : "bandReadout_Stereo");
    QVERIFY(!readout->isVisible());

    for (int band : {0, 5, 9}) {
        QSlider* slider = controls.sliders[band];
        const double hz = frame::kBandFrequencies[band];
        const double before = curveValueAt(plottedCurve(window, page), hz);
        slider->setSliderDown(true);
        slider->setSliderPosition(8);
        QVERIFY(readout->isVisible());
        QCOMPARE(readout->text(), QStringLiteral("+8 dB"));
        // Over its own band.
        QVERIFY(std::abs(readout->geometry().center().x() - slider->geometry().center().x()) <= 1);
        slider->setSliderPosition(-3);
        QCOMPARE(readout->text(), QStringLiteral("-3 dB"));
        slider->setSliderDown(false);
        QVERIFY(!readout->isVisible());

        const double after = curveValueAt(plottedCurve(window, page), hz);
        QVERIFY2(after - before < -2.5,
                 qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
        compareCurves(plottedCurve(window, page), headsetResponse(sliderGains(controls), bands));
    }
}

void EqualiserViewTest::doubleClickSendsZero()
{
    QFETCH(SoundPage, page);
    QFETCH(quint16, productId);
    WindowRig rig;
    QVERIFY(startWithCustomMode(rig, productId, page));
    const PageControls controls = rig.page(page);
    QSlider* slider = controls.sliders[3];
    QVERIFY(rig.drag(slider, 7));
    QTRY_COMPARE(rig.headsetGains(kUnit)[3], 7);
    QVERIFY(rig.settle());
    QTRY_VERIFY(!rig.session().throttling());
    rig.clearFrames();

    QTest::mouseDClick(slider, Qt::LeftButton, {}, middleOf(slider));

    QCOMPARE(slider->value(), 0);
    QTRY_COMPARE(rig.headsetGains(kUnit)[3], 0);
    QVERIFY(rig.settle());
    const Frames pair = lastPeqPair(rig);
    EqGains expected{};
    QCOMPARE(pair,
             peqPair(customSlotModeIndex(page, 0, headsetModelOf(productId), CustomSlotUse::Edited),
                     expected, productId));
    QVERIFY(controls.save->isEnabled());
    QCOMPARE(rig.boxes(), QStringList());
}

void EqualiserViewTest::presetPressShowsHintSendsNothing()
{
    QFETCH(SoundPage, page);
    QFETCH(quint16, productId);
    WindowRig rig;
    QVERIFY(rig.startOnPage(productId, page));
    const PageControls controls = rig.page(page);
    const EqGains gains = sliderGains(controls);
    const EqGains headsetGains = rig.headsetGains(kUnit);
    QVERIFY(rig.settle());
    rig.clearFrames();
    QSlider* slider = controls.sliders[2];
    QVERIFY(!slider->isEnabled());

    QTest::mousePress(slider, Qt::LeftButton, {}, middleOf(slider));
    QTest::mouseMove(slider, middleOf(slider) - QPoint(0, 60));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, middleOf(slider) - QPoint(0, 60));
    QTest::mouseDClick(slider, Qt::LeftButton, {}, middleOf(slider));

    QCOMPARE(QToolTip::text(), ResponseCurve::presetSliderHint());
    QVERIFY(ResponseCurve::presetSliderHint().contains("copy"));
    QCOMPARE(sliderGains(controls), gains);
    QVERIFY(rig.settle());
    QCOMPARE(rig.frames(), Frames{});
    QCOMPARE(rig.headsetGains(kUnit), headsetGains);
}

void EqualiserViewTest::importSendsAndSavesFittedGains()
{
    QFETCH(SoundPage, page);
    QFETCH(quint16, productId);
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(productId, page));
    Velumix& window = rig.window();
    const PageControls controls = rig.page(page);
    const QString file = fixture("graphiceq.txt");
    const ImportedMode expected =
        importModeFile(file, kImportedName, {productId, sampleRateHz(window), page, page});
    QVERIFY(expected.ok());
    QVERIFY(expected.fit.gains != EqGains{});
    window.fileActions().chooseImportFile = [&file](QWidget*, const QString&, const QString&) {
        return file;
    };
    QVERIFY(rig.settle());
    rig.clearFrames();

    ModalWatch watch([&](ImportPreview& preview) {
        // The target and the fitted curve, and the largest difference.
        QCOMPARE(preview.plot()->graphCount(), 2);
        const auto target = preview.plot()->graph(0)->data();
        const auto fitted = preview.plot()->graph(1)->data();
        QCOMPARE(target->size(), kPlotPoints);
        QCOMPARE(fitted->size(), kPlotPoints);
        const double hz = 1000;
        const auto fittedAt = fitted->findBegin(hz);
        QVERIFY(std::abs(fittedAt->value -
                         curveValueAt(headsetResponse(expected.fit.gains, expected.bands),
                                      fittedAt->key)) < 1e-9);
        QVERIFY(std::abs(target->findBegin(hz)->value -
                         curveValueAt(expected.target, target->findBegin(hz)->key)) < 1e-9);
        QVERIFY(preview.errorLabel()->text().contains(
            QString::number(expected.fit.maxErrorDb, 'f', 1) + " dB"));
        QCOMPARE(preview.nameBox()->text(), QStringLiteral("graphiceq"));
        preview.nameBox()->setText(kImportedName);
        preview.saveButton()->click();
    });
    const std::unique_ptr<QMenu> menu = window.fileActions().menu(page, -1);
    menu->actions().at(0)->trigger();

    QVERIFY(watch.previewShown);
    QVERIFY(!watch.otherDialog);
    QCOMPARE(visibleSlotTexts(controls), QStringList{kImportedName});
    QCOMPARE(checkedSlot(controls), 1);
    QCOMPARE(sliderGains(controls), expected.fit.gains);
    QCOMPARE(rig.framesWithCode(frame::SetPeq),
             peqPair(firstSlotModeIndex(page, productId), expected.fit.gains, productId));
    QVERIFY(rig.settle());
    QCOMPARE(rig.headsetGains(kUnit), expected.fit.gains);
    const QString userFile = userFilePath(productId, kFirstUnit);
    QCOMPARE(customModesInFile(userFile),
             described({customMode(algorithmOf(page), kImportedName, expected.fit.gains)}));
    QCOMPARE(savedModeInFile(userFile),
             described(currentMode(algorithmOf(page), "custom", kImportedName)));
    QCOMPARE(rig.boxes(), QStringList());
}

void EqualiserViewTest::malformedImportSavesNothing()
{
    WindowRig rig;
    QVERIFY(startWithCustomMode(rig, kHalden, SoundPage::Stereo));
    Velumix& window = rig.window();
    const PageControls controls = rig.page(SoundPage::Stereo);
    const QString userFile = userFilePath(kHalden, kFirstUnit);
    const QByteArray fileBefore = fileBytes(userFile);
    const QStringList slotsBefore = visibleSlotTexts(controls);
    QTemporaryDir folder;
    const QString file = folder.filePath("broken.txt");
    QFile broken(file);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("Preamp: -3 dB\nFilter 1: ON PK Fc 100 Hz Gain 2 dB Q 1.0\nhello\n");
    broken.close();
    window.fileActions().chooseImportFile = [&file](QWidget*, const QString&, const QString&) {
        return file;
    };
    QVERIFY(rig.settle());
    rig.clearFrames();

    ModalWatch watch([](ImportPreview& preview) { preview.reject(); });
    window.fileActions().importCorrection(SoundPage::Stereo);
    QCoreApplication::processEvents(); // a preview shown by mistake would be closed now

    QVERIFY(!watch.previewShown);
    QCOMPARE(rig.boxes().size(), 1);
    QVERIFY2(rig.boxes().at(0).contains("broken.txt") && rig.boxes().at(0).contains("line 3:"),
             qPrintable(rig.boxes().at(0)));
    QCOMPARE(visibleSlotTexts(controls), slotsBefore);
    QCOMPARE(fileBytes(userFile), fileBefore);
    QVERIFY(rig.settle());
    QCOMPARE(rig.frames(), Frames{});
}

// The preview keeps its place while the name cannot be used; Cancel then
// leaves everything as it was.
void EqualiserViewTest::importPreviewRefusesTakenName()
{
    WindowRig rig;
    QVERIFY(startWithCustomMode(rig, kHalden, SoundPage::Surround));
    Velumix& window = rig.window();
    const PageControls controls = rig.page(SoundPage::Surround);
    const QString takenName = controls.customSlots[0]->text();
    const QString userFile = userFilePath(kHalden, kFirstUnit);
    const QByteArray fileBefore = fileBytes(userFile);
    const QString file = fixture("parametric.txt");
    window.fileActions().chooseImportFile = [&file](QWidget*, const QString&, const QString&) {
        return file;
    };
    QVERIFY(rig.settle());
    rig.clearFrames();

    QStringList problems;
    ModalWatch watch([&](ImportPreview& preview) {
        for (const QString& name : {takenName, QStringLiteral("   ")}) {
            preview.nameBox()->setText(name);
            preview.saveButton()->click();
            problems << preview.nameProblemLabel()->text();
            QVERIFY(preview.isVisible());
        }
        preview.cancelButton()->click();
    });
    window.fileActions().importCorrection(SoundPage::Surround);

    QVERIFY(watch.previewShown);
    QCOMPARE(problems.size(), 2);
    QVERIFY(problems.at(0).contains(takenName));
    QCOMPARE(problems.at(1), modeNameProblem("   "));
    QCOMPARE(visibleSlotTexts(controls), QStringList{takenName});
    QCOMPARE(fileBytes(userFile), fileBefore);
    QVERIFY(rig.settle());
    QCOMPARE(rig.frames(), Frames{});
    QCOMPARE(rig.boxes(), QStringList());
}

// Both files read back to the saved mode's gains: the document exactly, the
// parametric text through the correction import and the fit.
void EqualiserViewTest::exportWritesModeFiles()
{
    WindowRig rig;
    QVERIFY(startWithCustomMode(rig, kMorvik, SoundPage::Stereo));
    Velumix& window = rig.window();
    const PageControls controls = rig.page(SoundPage::Stereo);
    const EqGains gains{6, 4, 0, -3, 0, 2, 0, 0, -5, -2};
    QVERIFY(rig.dragTo(controls, gains));
    QVERIFY(rig.typeName(controls.nameBox, "Club / Night"));
    QVERIFY(rig.press(controls.save));
    QTemporaryDir folder;
    QStringList suggested;
    window.fileActions().chooseExportFile = [&](QWidget*, const QString&, const QString& suggestion,
                                                const QString&) {
        suggested << suggestion;
        return folder.filePath(suggestion);
    };
    const std::unique_ptr<QMenu> menu = window.fileActions().menu(SoundPage::Stereo, 0);
    QCOMPARE(menu->actions().size(), 3);
    menu->actions().at(1)->trigger();
    menu->actions().at(2)->trigger();

    QCOMPARE(suggested, (QStringList{"Club _ Night.txt", "Club _ Night.json"}));
    const ModeRead document = readModeFile(folder.filePath("Club _ Night.json"));
    QVERIFY2(document.ok, qPrintable(document.error));
    QCOMPARE(document.mode, customMode("Stereo", "Club / Night", gains));
    QCOMPARE(document.productId, std::optional<quint16>(kMorvik));
    const ImportedMode text =
        importModeFile(folder.filePath("Club _ Night.txt"), "again",
                       {kMorvik, sampleRateHz(window), SoundPage::Stereo, SoundPage::Stereo});
    QVERIFY2(text.ok(), qPrintable(text.error));
    QCOMPARE(text.fit.gains, gains);
    QCOMPARE(rig.boxes(), QStringList());
}

void EqualiserViewTest::failedExportIsTold()
{
    WindowRig rig;
    QVERIFY(startWithCustomMode(rig, kHalden, SoundPage::Surround));
    Velumix& window = rig.window();
    QTemporaryDir folder;
    const QString path = folder.filePath("missing-folder/mode.json");
    window.fileActions().chooseExportFile = [&](QWidget*, const QString&, const QString&,
                                                const QString&) { return path; };

    window.fileActions().exportCustomMode(SoundPage::Surround, 0, FileActions::Format::Json);

    QCOMPARE(rig.boxes().size(), 1);
    QVERIFY2(rig.boxes().at(0).startsWith("Error: ") && rig.boxes().at(0).contains(path),
             qPrintable(rig.boxes().at(0)));
    QVERIFY(!rig.boxDetails().at(0).isEmpty());
    QVERIFY(!QFile::exists(path));
}

QTEST_MAIN(EqualiserViewTest)
#include "tst_equaliserview.moc"
