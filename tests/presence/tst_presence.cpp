// The headset coming and going while the window runs: the screen in front,
// the headset picture, the link brought up once and closed once, the
// microphone level on arrival, devices of other vendors, and opens that the
// system refuses.

#include "DataFolder.h"
#include "WindowRig.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// Eight retries a quarter of a second apart, with room for a slow machine.
constexpr int kRetriesDeadlineMs = 10000;

Frames micLevelFrames(const WindowRig& rig)
{
    return rig.framesWithCode(frame::SetMicVolume);
}

// The built-in model of the open link's product; 0 without a link.
int connectedModel(WindowRig& rig)
{
    return rig.session().isOpen() ? headsetModelOf(rig.session().productId()) : 0;
}

bool hasStartScreenPicture(const Velumix& window)
{
    return !window.ui.label_DefaultBackground->pixmap(Qt::ReturnByValue).isNull();
}

} // namespace

class PresenceTest : public QObject
{
    Q_OBJECT
private slots:
    void headsetAtStartBringsMainScreenAndPicture_data();
    void headsetAtStartBringsMainScreenAndPicture();
    void pictureBesideTheProgramReplacesTheShippedOne();
    void pullingOutShowsStartScreenAndClosesTheLinkOnce();
    void pluggingBackInBringsTheLinkUpOnce();
    void startScreenPictureWaitsForTheStartScreen_data();
    void startScreenPictureWaitsForTheStartScreen();
    void arrivalSetsMicrophoneToFullAndShowsTheWindow_data();
    void arrivalSetsMicrophoneToFullAndShowsTheWindow();
    void otherVendorsDevicesLeaveTheLinkAlone_data();
    void otherVendorsDevicesLeaveTheLinkAlone();
    void refusedOpenIsTriedAgain();
    void openThatKeepsFailingWarnsOnce();
    void startWritesEveryTraceRecordToTheLog_data();
    void startWritesEveryTraceRecordToTheLog();

private:
    ThrowawayHome m_home;
};

void PresenceTest::startWritesEveryTraceRecordToTheLog_data()
{
    QTest::addColumn<bool>("headset");
    QTest::addColumn<QString>("tag");
    // Without a headset nothing is written to one; listening for one is
    // the first record.
    QTest::newRow("no headset") << false << "Register Device";
    QTest::newRow("a headset") << true << "*Usb Write";
}

// The session's first records, like every later one, find the log ready.
void PresenceTest::startWritesEveryTraceRecordToTheLog()
{
    QFETCH(bool, headset);
    QFETCH(QString, tag);
    WindowRig rig;
    if (headset)
        rig.addSilentUnit(kHalden);
    rig.buildWindow();
    QCOMPARE(rig.debugLineCount(QStringLiteral("log文件创建失败!")), 0);
    QVERIFY(!rig.traceSteps(tag).isEmpty());
}

void PresenceTest::headsetAtStartBringsMainScreenAndPicture_data()
{
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("picture");
    QTest::newRow("1054") << quint16(0x1054) << 1
                          << "border-image: url(:/headset/pic/headset/Halden.png);";
    QTest::newRow("1029") << kMorvik << 2 << "border-image: url(:/headset/pic/headset/Morvik.png);";
    QTest::newRow("104d") << quint16(0x104D) << 3
                          << "border-image: url(:/headset/pic/headset/Tessaly.png);";
    // Models without a number of their own show the picture shipped for them.
    QTest::newRow("4130") << quint16(0x4130) << 0
                          << "border-image: url(:/headset/pic/headset/Sorel.png);";
    QTest::newRow("0f51") << quint16(0x0F51) << 0
                          << "border-image: url(:/headset/pic/headset/Rasko.png);";
}

void PresenceTest::headsetAtStartBringsMainScreenAndPicture()
{
    QFETCH(quint16, productId);
    QFETCH(int, model);
    QFETCH(QString, picture);
    WindowRig rig;
    rig.addSilentUnit(productId);
    Velumix& window = rig.buildWindow();

    QVERIFY(mainScreenInFront(window));
    QCOMPARE(connectedModel(rig), model);
    QCOMPARE(window.ui.label_Spectrum->styleSheet(), picture);
    QVERIFY(!window.ui.label_Spectrum->isHidden());
    QVERIFY(window.ui.widget_Spectrum->isHidden());
    QVERIFY(rig.session().isOpen());
}

void PresenceTest::pictureBesideTheProgramReplacesTheShippedOne()
{
    const QString photos = dataFolder() + "/photo/";
    QVERIFY(QDir().mkpath(photos));
    QFile photo(photos + "0f51.png");
    QVERIFY(!photo.exists()); // never overwrite a picture someone put there
    QVERIFY(photo.open(QIODevice::WriteOnly));
    photo.close();
    const auto removePhoto = qScopeGuard([&] { photo.remove(); });
    WindowRig rig;
    rig.addSilentUnit(0x0F51);

    Velumix& window = rig.buildWindow();

    QCOMPARE(window.ui.label_Spectrum->styleSheet(), "border-image:url(" + photos + "0f51.png)");
}

void PresenceTest::pullingOutShowsStartScreenAndClosesTheLinkOnce()
{
    WindowRig rig;
    const int unit = rig.addSilentUnit(kMorvik);
    Velumix& window = rig.buildWindow();
    QVERIFY(rig.session().isOpen());
    const QSignalSpy closed(&rig.session(), &HeadsetSession::unplugged);

    rig.pullOut(unit);

    QVERIFY(startScreenInFront(window));
    // Both interfaces report their removal; the link is closed for the first.
    QCOMPARE(rig.traceSteps("DeviceRemove"), QStringList({"true", "true"}));
    QCOMPARE(closed.count(), 1);
    QCOMPARE(rig.backend.openHandleCount(), 0);
    QVERIFY(!rig.session().isOpen());
    QCOMPARE(connectedModel(rig), 0);
    QCOMPARE(window.ui.label_Spectrum->styleSheet(), QString());
    QVERIFY(window.ui.widget_Spectrum->isHidden());
}

void PresenceTest::startScreenPictureWaitsForTheStartScreen_data()
{
    QTest::addColumn<bool>("headsetAtStart");
    QTest::addColumn<bool>("hiddenWhenPulledOut");
    QTest::newRow("no headset at start") << false << false;
    QTest::newRow("pulled out on screen") << true << false;
    QTest::newRow("pulled out while in the tray") << true << true;
}

// Decoded when the start screen is first in front of a window on screen;
// with a headset at start, not before it goes.
void PresenceTest::startScreenPictureWaitsForTheStartScreen()
{
    QFETCH(bool, headsetAtStart);
    QFETCH(bool, hiddenWhenPulledOut);
    WindowRig rig;
    const int unit = headsetAtStart ? rig.addSilentUnit(kMorvik) : -1;
    Velumix& window = rig.buildWindow();
    QVERIFY(!hasStartScreenPicture(window));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(hasStartScreenPicture(window), !headsetAtStart);
    if (!headsetAtStart)
        return;
    if (hiddenWhenPulledOut)
        window.hide();
    rig.pullOut(unit);
    QVERIFY(startScreenInFront(window));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(hasStartScreenPicture(window));
}

void PresenceTest::pluggingBackInBringsTheLinkUpOnce()
{
    WindowRig rig;
    const int unit = rig.addSilentUnit(kMorvik);
    Velumix& window = rig.buildWindow();
    rig.pullOut(unit);
    rig.backend.clearReceivedFrames();
    const QSignalSpy opened(&rig.session(), &HeadsetSession::plugged);

    rig.plugIn(unit);

    QVERIFY(mainScreenInFront(window));
    QCOMPARE(connectedModel(rig), 2);
    QCOMPARE(window.ui.label_Spectrum->styleSheet(),
             QString("border-image: url(:/headset/pic/headset/Morvik.png);"));
    // Two arrivals, one bring-up: the second finds the link open.
    QCOMPARE(opened.count(), 1);
    QVERIFY(rig.session().isOpen());
    // The microphone level goes before the questions whose replies set the
    // pages up.
    const Frames expected = {
        bytesOf(frame::readVersionCommand()), bytesOf(frame::setMicVolumeCommand(100)),
        bytesOf(frame::readAudioCommand()), bytesOf(frame::readStatusCommand())};
    QCOMPARE(rig.frames(), expected);
}

void PresenceTest::arrivalSetsMicrophoneToFullAndShowsTheWindow_data()
{
    QTest::addColumn<bool>("shownBefore");
    QTest::newRow("window hidden in the tray") << false;
    QTest::newRow("window on screen") << true;
}

void PresenceTest::arrivalSetsMicrophoneToFullAndShowsTheWindow()
{
    QFETCH(bool, shownBefore);
    WindowRig rig;
    const int unit = rig.addSilentUnit(kMorvik, false);
    Velumix& window = rig.buildWindow();
    window.setVisible(shownBefore);
    window.ui.Slider_Voice1_3->setValue(40); // no headset yet: nothing is sent
    QVERIFY(micLevelFrames(rig).empty());

    rig.plugIn(unit);

    QVERIFY(window.isVisible());
    QVERIFY(mainScreenInFront(window));
    QCOMPARE(window.ui.Slider_Voice1_3->value(), 100);
    QCOMPARE(window.ui.textEdit_3->toPlainText(), QString("100"));
    const Frames levels = micLevelFrames(rig);
    QVERIFY(!levels.empty());
    for (const Frame& level : levels)
        QCOMPARE(level, bytesOf(frame::setMicVolumeCommand(100)));
}

void PresenceTest::otherVendorsDevicesLeaveTheLinkAlone_data()
{
    QTest::addColumn<bool>("arrival");
    QTest::newRow("arrival") << true;
    QTest::newRow("removal") << false;
}

void PresenceTest::otherVendorsDevicesLeaveTheLinkAlone()
{
    QFETCH(bool, arrival);
    WindowRig rig;
    rig.addSilentUnit(kMorvik);
    const int mouse = rig.addForeignDevice(0x046D, 0xC077);
    Velumix& window = rig.buildWindow();
    if (!arrival)
        rig.backend.plug(mouse);
    const int handles = rig.backend.openHandleCount();
    const QSignalSpy opened(&rig.session(), &HeadsetSession::plugged);
    const QSignalSpy closed(&rig.session(), &HeadsetSession::unplugged);
    rig.backend.clearReceivedFrames();

    if (arrival)
        rig.plugIn(mouse);
    else
        rig.pullOut(mouse);

    QVERIFY(mainScreenInFront(window));
    QCOMPARE(connectedModel(rig), 2);
    QCOMPARE(rig.backend.openHandleCount(), handles);
    QVERIFY(rig.session().isOpen());
    QCOMPARE(closed.count(), 0);
    QCOMPARE(opened.count(), 0);
    QCOMPARE(rig.frames(), Frames{});
}

void PresenceTest::refusedOpenIsTriedAgain()
{
    WindowRig rig;
    const int unit = rig.addSilentUnit(kMorvik, false);
    Velumix& window = rig.buildWindow();
    rig.backend.setOpenFails(true);

    rig.plugIn(unit);
    QVERIFY(startScreenInFront(window));
    // udev has given the user access a moment later.
    rig.backend.setOpenFails(false);

    QTRY_VERIFY_WITH_TIMEOUT(mainScreenInFront(window), kRetriesDeadlineMs);
    QCOMPARE(connectedModel(rig), 2);
    QCOMPARE(rig.boxes(), QStringList());
    QCOMPARE(micLevelFrames(rig), Frames{bytesOf(frame::setMicVolumeCommand(100))});
}

void PresenceTest::openThatKeepsFailingWarnsOnce()
{
    WindowRig rig;
    const int unit = rig.addSilentUnit(kMorvik, false);
    Velumix& window = rig.buildWindow();
    rig.backend.setOpenFails(true);

    rig.plugIn(unit);

    QTRY_COMPARE_WITH_TIMEOUT(rig.boxes().size(), 1, kRetriesDeadlineMs);
    const QString box = rig.boxes().first();
    QVERIFY2(box.startsWith("warning: "), qPrintable(box));
    // The vendor-defined interface is the one the program opens.
    const QString vendorInterface = QString::fromStdString(rig.backend.interfacePaths(unit).back());
    QVERIFY2(box.contains(vendorInterface), qPrintable(box));
    QVERIFY2(box.contains("udev rule"), qPrintable(box));
    QVERIFY2(box.contains("70-velumix.rules"), qPrintable(box));
    QVERIFY(startScreenInFront(window));
    QCOMPARE(rig.backend.openHandleCount(), 0);
    QVERIFY(!rig.session().isOpen());
}

QTEST_MAIN(PresenceTest)
#include "tst_presence.moc"
