// Hundreds of arrivals and removals of two headset units, some pulled out
// within the same turn of the event loop, with a person using the window in
// between (custom slots, slider drags, presets, the microphone level). After
// them the program holds as many files, threads and Qt objects, and about as
// much memory, as after the first few; and nothing it showed or traced spoke
// of a headset that was gone.

#include "WindowRig.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <unistd.h>

namespace {

constexpr int kWarmUpCycles = 10;
constexpr int kCycles = 200;
constexpr int kKindsOfUse = 3;
// Every third cycle the other unit arrives; every fifth is pulled out at once.
constexpr int kUnitChangeEvery = 3;
constexpr int kQuickPullEvery = 5;
constexpr int kTimeLimitMs = 60000;
// Resident memory moves a little without any leak: the heap keeps freed
// blocks for reuse and grows in steps, and Qt's caches (fonts, style sheets,
// pixmaps) fill on first use. A leak of one trace record, box text or frame
// list per cycle over hundreds of cycles stays below this; a leaked reader
// thread stack or window per cycle goes far beyond.
// AddressSanitizer holds freed blocks back for a while to catch their use, so
// there resident memory grows without a leak; its leak checker stands in.
#ifndef VELUMIX_ADDRESS_SANITIZER
constexpr qint64 kResidentSlackKiB = 2048;
#endif

struct Footprint
{
    int files;
    int threads;
    int windowObjects;
    int widgets;
    qint64 residentKiB;
};

int entriesOf(const QString& folder)
{
    // Descriptors of sockets and pipes are links to nowhere: System lists them.
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

qint64 residentKiB()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

Footprint footprint(Velumix& window)
{
    return {entriesOf("/proc/self/fd"), entriesOf("/proc/self/task"),
            window.findChildren<QObject*>().size(), QApplication::allWidgets().size(),
            residentKiB()};
}

const QList<CustomRecord> kSavedModes{
    customMode("Surround", "Alpha", {1, 2, 3, 4, 5, -5, -4, -3, -2, -1}),
    customMode("Surround", "Bravo", {-2, -2, 0, 0, 2, 2, 0, 0, -2, -2})};

} // namespace

class SoakTest : public QObject
{
    Q_OBJECT
private slots:
    void hundredsOfCyclesLeaveNothingBehind();

private:
    bool useWindow(WindowRig& rig, int cycle);
    bool cycle(WindowRig& rig, int unit, int cycle);

    ThrowawayHome m_home;
};

// What a person does while the headset is in, one thing per cycle in turn:
// a custom slot and a slider drag, a preset, the microphone level.
bool SoakTest::useWindow(WindowRig& rig, int cycle)
{
    const PageControls surround = rig.page(SoundPage::Surround);
    switch (cycle % kKindsOfUse) {
    case 0:
        return rig.openCustomList(surround) && rig.press(surround.customSlots[cycle / 2 % 2]) &&
               rig.drag(surround.sliders[cycle % kBandCount], cycle % 7 - 3);
    case 1:
        return rig.clickTab(kSurroundTab) && rig.press(rig.window().ui.radioButton_Surround_FPS);
    default:
        return rig.clickTab(kMicrophoneTab) &&
               rig.drag(rig.window().ui.Slider_Voice1_3, 20 + cycle % 80);
    }
}

bool SoakTest::cycle(WindowRig& rig, int unit, int cycle)
{
    rig.plugIn(unit);
    if (cycle % kQuickPullEvery == kQuickPullEvery - 1) {
        rig.pullOutAtOnce(unit);
        rig.finishTurnAfterClose();
        return true;
    }
    const bool used = rig.settle() && useWindow(rig, cycle);
    rig.pullOut(unit); // waits for the replies to what was sent
    return used;
}

void SoakTest::hundredsOfCyclesLeaveNothingBehind()
{
    prepareUserFile(kHalden, kFirstUnit, kSavedModes);
    prepareUserFile(kHalden, kSecondUnit, kSavedModes);
    WindowRig rig;
    const std::array<int, 2> units{rig.addUnit(kHalden, kFirstUnit, false),
                                   rig.addUnit(kHalden, kSecondUnit, false)};
    Velumix& window = rig.buildWindow();
    // Built without a headset, the window has set the microphone level on
    // a closed link once, as it should; the cycles must add nothing to that.
    rig.clearMessages();
    const int writesFailedAtStart = rig.traceSteps("*Usb Write").count("fail222");
    QElapsedTimer soaking;
    soaking.start();
    Footprint warm{};
    int unitChanges = 0;
    QStringList boxes;
    QStringList writesWithoutHeadset;

    for (int number = 0; number < kCycles; ++number) {
        const int unit = units[size_t(number / kUnitChangeEvery % 2)];
        QVERIFY2(cycle(rig, unit, number), qPrintable(QStringLiteral("cycle %1").arg(number)));
        if (number > 0 && number % kUnitChangeEvery == 0)
            ++unitChanges;
        // What the rig recorded is kept only as far as the checks need it,
        // so that the rig's own records do not grow with the cycles.
        boxes << rig.boxes();
        for (const QString& line : rig.messages().filter("Device Not Open!"))
            writesWithoutHeadset << QStringLiteral("cycle %1: %2").arg(number).arg(line);
        rig.clearMessages();
        rig.clearFrames();
        if (number == kWarmUpCycles - 1)
            warm = footprint(window);
        QVERIFY2(!soaking.hasExpired(kTimeLimitMs),
                 qPrintable(QStringLiteral("%1 cycles took a minute").arg(number + 1)));
    }

    const Footprint after = footprint(window);
    // Threads the libraries keep in pools of their own (the media player's,
    // for one) end after some idle time, with their descriptors; on a slow
    // run that falls within the cycles. Fewer is fine, more is a leak.
    QVERIFY2(after.files <= warm.files,
             qPrintable(
                 QStringLiteral("open files went from %1 to %2").arg(warm.files).arg(after.files)));
    QVERIFY2(
        after.threads <= warm.threads,
        qPrintable(
            QStringLiteral("threads went from %1 to %2").arg(warm.threads).arg(after.threads)));
    QCOMPARE(after.windowObjects, warm.windowObjects);
    QCOMPARE(after.widgets, warm.widgets);
#ifndef VELUMIX_ADDRESS_SANITIZER
    QVERIFY2(after.residentKiB - warm.residentKiB <= kResidentSlackKiB,
             qPrintable(QStringLiteral("resident memory grew from %1 KiB to %2 KiB")
                            .arg(warm.residentKiB)
                            .arg(after.residentKiB)));
#endif
    // The only box is the one each change of units brings.
    QStringList changeBoxes;
    for (int change = 0; change < unitChanges; ++change)
        changeBoxes << "prompt: Device Change!";
    QCOMPARE(boxes, changeBoxes);
    // Nothing was sent to a headset that was not there.
    QCOMPARE(writesWithoutHeadset, QStringList());
    QCOMPARE(rig.traceSteps("*Usb Write").count("fail222"), writesFailedAtStart);
    qInfo("%d cycles in %lld ms", kCycles, soaking.elapsed());
}

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
