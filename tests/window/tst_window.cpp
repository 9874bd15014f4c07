// The main window as the program builds it, started without a headset: the
// start screen, dragging the frameless window, hiding to the tray and the way
// out, the tab style, the plot panels, the initial widget state, the
// microphone volume and the noise-cancellation switch.

#include "ChildNamed.h"
#include "ConfigNames.h"
#include "DataFolder.h"
#include "EventLoop.h"
#include "HotplugSource.h"
#include "LogRecorder.h"
#include "MessageBoxRecorder.h"
#include "SimulatedHeadset.h"
#include "SpeakerTest.h"
#include "TestFrames.h"
#include "TraceLog.h"
#include "TrayMenu.h"
#include "Velumix.h"

#include <QButtonGroup>
#include <QPointer>
#include <QScopeGuard>
#include <QtTest>
#include <qcustomplot.h>

#include <functional>
#include <memory>
#include <optional>

Q_DECLARE_METATYPE(QSystemTrayIcon::ActivationReason)
Q_DECLARE_METATYPE(QList<QString>)
Q_DECLARE_METATYPE(Qt::MouseButton)

namespace {

const QStringList kBands = {"30", "60", "120", "250", "500", "1k", "2k", "4k", "8k", "16k"};

void sendMouse(QWidget* target, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Siblings only: raise() and lower() reorder the parent's children.
bool isAbove(const QWidget* upper, const QWidget* lower)
{
    const QObjectList& siblings = upper->parentWidget()->children();
    return siblings.indexOf(const_cast<QWidget*>(upper)) >
           siblings.indexOf(const_cast<QWidget*>(lower));
}

// The colour a button shows beside its text, as drawn.
QColor shownBackground(QWidget* button)
{
    return button->grab().toImage().pixelColor(4, button->height() / 2);
}

QList<int> payloadOf(const std::vector<uint8_t>& frame)
{
    const int length = frame[frame::kLengthOffset];
    return QList<int>(frame.begin() + frame::kPayloadOffset,
                      frame.begin() + frame::kPayloadOffset + length);
}

QImage drawnText(const std::function<void(QPainter&)>& draw)
{
    QImage image(260, 80, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(24);
    painter.setFont(font);
    draw(painter);
    return image;
}

// The smallest rectangle holding every pixel that is not background.
QRect inkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

const QRect kTextRect(20, 10, 220, 60);

QPalette blackText()
{
    QPalette palette;
    palette.setColor(QPalette::WindowText, Qt::black);
    return palette;
}

// The text as the application's own style draws it in the rectangle.
QImage drawnByApplicationStyle(const QRect& rect, int flags, const QString& text)
{
    return drawnText([&](QPainter& painter) {
        QApplication::style()->drawItemText(&painter, rect, flags, blackText(), true, text,
                                            QPalette::WindowText);
    });
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void everyFormConnectionFindsItsSlot();
    void startsHiddenOnTheStartScreenWithoutHeadset();
    void isFramelessAndWatchesHovering();
    void headsetBringsItsScreenToTheFront_data();
    void headsetBringsItsScreenToTheFront();
    void pressInsideTheDragAreaStartsADrag_data();
    void pressInsideTheDragAreaStartsADrag();
    void releaseEndsTheDrag();
    void closingHidesToTheTray_data();
    void closingHidesToTheTray();
    void minimiseButtonMinimises();
    void trayClickShowsOnlyOnSingleClick_data();
    void trayClickShowsOnlyOnSingleClick();
    void trayMenuOffersHomePageAndQuit();
    void homePageShowsTheWindow();
    void quitEndsTheLoopAndClosesTheHeadset();
    void tabStyleDrawsTextLeftTenPixelsIn_data();
    void tabStyleDrawsTextLeftTenPixelsIn();
    void tabStyleDrawsAmpersandLiterally();
    void closingTheWindowFreesItsStyleAndButtonGroups();
    void onlyTheSpectrumPanelHasAGraph();
    void gainAxisLabelColours_data();
    void gainAxisLabelColours();
    void bandSlidersStartLockedAtZero();
    void copyButtonsStartHidden();
    void customSlotsStartNamedAndUnselected();
    void noiseCancellationStartsUnknown();
    void microphoneStartsAtFullVolume();
    void microphoneSliderWithoutHeadsetOnlyUpdatesItsText_data();
    void microphoneSliderWithoutHeadsetOnlyUpdatesItsText();
    void microphoneSliderSendsTheLevel();
    void noiseCancellationControlsSendTheSwitch_data();
    void noiseCancellationControlsSendTheSwitch();
    void onOffButtonsSwapTheirLooks_data();
    void onOffButtonsSwapTheirLooks();

private:
    Velumix& window() { return *m_window; }
    QAction* trayMenuAction(const QString& text) const;
    void buildWindow();
    // A headset unit of model 1, plugged in or pulled out as a person does.
    int addHeadset(bool silent);
    void plugIn(int unit);
    void pullOut(int unit);
    // Plugs in a silent headset after the window is built; only frames
    // written afterwards are kept.
    bool openHeadset();
    Frames frames() const;

    // No real headset or hot-plug event ever reaches these tests.
    std::unique_ptr<SimulatedHidBackend> m_headsets;
    ManualHotplugSource m_hotplug;
    std::unique_ptr<HeadsetSession> m_session;
    std::unique_ptr<Velumix> m_window;
    QStringList m_connectWarnings;
    MessageBoxRecorder m_boxRecorder;
};

void WindowTest::initTestCase()
{
    // The device's debug lines stay on: some tests expect one of them.
    QLoggingCategory::setFilterRules("velumix.window.debug=false\n"
                                     "velumix.trace.debug=false\n"
                                     "velumix.device.debug=true");
}

void WindowTest::cleanupTestCase() {}

void WindowTest::init()
{
    m_boxRecorder.clear();
    m_headsets = std::make_unique<SimulatedHidBackend>();
    const LogRecorder messages;
    buildWindow();
    // The tray's own platform code may complain too; only the window's count.
    m_connectWarnings = messages.warningsMatching("^QObject::connect.*Velumix");
}

void WindowTest::cleanup()
{
    m_window.reset();
    m_session.reset();
    m_headsets.reset();
}

// As the program builds it: the session over the headsets, then the window.
void WindowTest::buildWindow()
{
    m_window.reset();
    HeadsetSession::Options options;
    options.defaultFileFolder = dataFolder() + "/" + kDefaultFileFolder;
    options.userFileFolder = userFileFolder(programBaseName());
    m_session = std::make_unique<HeadsetSession>(*m_headsets, &m_hotplug, options);
    m_window = std::make_unique<Velumix>(*m_session);
    m_window->startSession();
}

int WindowTest::addHeadset(bool silent)
{
    HeadsetSettings settings;
    settings.productId = 0x1054;
    const int unit = m_headsets->addHeadset(settings);
    m_headsets->firmware(unit).faults().silent = silent;
    m_headsets->unplug(unit);
    return unit;
}

void WindowTest::plugIn(int unit)
{
    m_headsets->plug(unit);
    for (const std::string& path : m_headsets->interfacePaths(unit))
        m_hotplug.arrive(QString::fromStdString(path));
}

void WindowTest::pullOut(int unit)
{
    m_headsets->unplug(unit);
    for (const std::string& path : m_headsets->interfacePaths(unit))
        m_hotplug.remove(QString::fromStdString(path));
}

bool WindowTest::openHeadset()
{
    plugIn(addHeadset(true));
    if (!m_session->isOpen())
        return false;
    m_headsets->clearReceivedFrames();
    return true;
}

Frames WindowTest::frames() const
{
    Frames result;
    for (const auto& received : m_headsets->receivedFrames())
        result.push_back(received.bytes);
    return result;
}

QAction* WindowTest::trayMenuAction(const QString& text) const
{
    QMenu* menu = m_window->tray().icon()->contextMenu();
    for (QAction* action : menu ? menu->actions() : QList<QAction*>())
        if (action->text() == text)
            return action;
    return nullptr;
}

void WindowTest::everyFormConnectionFindsItsSlot()
{
    QCOMPARE(m_connectWarnings, QStringList());
}

void WindowTest::startsHiddenOnTheStartScreenWithoutHeadset()
{
    QVERIFY(!window().isVisible());
    QVERIFY(!window().mainScreenShown());
    QVERIFY(!m_session->isOpen());
    QVERIFY(!window().speakerTest().thread());
    QCOMPARE(m_boxRecorder.boxes(), QStringList());

    QFile log(traceLogFilePath());
    QVERIFY2(log.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(log.fileName()));
    const QString records = QString::fromLatin1(log.readAll());
    const QRegularExpression noDevice(
        R"(^OpenDevice : noDevice\t\t\(Velumix - InitMyDialog \.\.\. \d+\);$)",
        QRegularExpression::MultilineOption);
    QVERIFY2(noDevice.match(records).hasMatch(), qPrintable(records));
}

void WindowTest::isFramelessAndWatchesHovering()
{
    QVERIFY(window().windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(window().testAttribute(Qt::WA_Hover));
}

void WindowTest::headsetBringsItsScreenToTheFront_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("startScreen");
    QTest::newRow("start screen") << QStringList{} << true;
    QTest::newRow("main screen") << QStringList{"plug"} << false;
    QTest::newRow("main, then start again") << QStringList{"plug", "pull"} << true;
    QTest::newRow("another device keeps the main screen") << QStringList{"plug", "other"} << false;
    QTest::newRow("another device keeps the start screen") << QStringList{"other"} << true;
}

void WindowTest::headsetBringsItsScreenToTheFront()
{
    QFETCH(QStringList, events);
    QFETCH(bool, startScreen);
    const int unit = addHeadset(true);
    for (const QString& event : events) {
        if (event == "plug")
            plugIn(unit);
        else if (event == "pull")
            pullOut(unit);
        else
            m_hotplug.arrive("/dev/hidraw99");
    }
    const VelumixClass& ui = window().ui;
    QCOMPARE(window().mainScreenShown(), !startScreen);
    for (const QWidget* startWidget : std::initializer_list<const QWidget*>{
             ui.label_DefaultBackground, ui.label_DefaultHead, ui.pushButton_DefaultClose}) {
        QVERIFY2(isAbove(startWidget, ui.tabWidget) == startScreen,
                 qPrintable(startWidget->objectName()));
    }
    for (const QWidget* picture : {ui.label_DefaultBackground, ui.label_DefaultHead})
        QVERIFY2(picture->isVisibleTo(&window()), qPrintable(picture->objectName()));
    // Each screen has its own Close in the same place; the other one is hidden.
    QCOMPARE(ui.pushButton_DefaultClose->isVisibleTo(&window()), startScreen);
    QCOMPARE(ui.pushButton_Close->isVisibleTo(&window()), !startScreen);
    // What the start screen covers is out of reach of the keyboard too.
    QCOMPARE(ui.tabWidget->isEnabled(), !startScreen);
    QCOMPARE(ui.label_Head->isVisibleTo(&window()), !startScreen);
    QCOMPARE(ui.label->isVisibleTo(&window()), !startScreen);
}

void WindowTest::pressInsideTheDragAreaStartsADrag_data()
{
    QTest::addColumn<bool>("mainScreen");
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("drags");
    QTest::newRow("start: top left") << false << QPoint(1, 1) << Qt::LeftButton << true;
    QTest::newRow("start: left edge") << false << QPoint(0, 5) << Qt::LeftButton << false;
    QTest::newRow("start: top edge") << false << QPoint(5, 0) << Qt::LeftButton << false;
    QTest::newRow("start: last point") << false << QPoint(999, 629) << Qt::LeftButton << true;
    QTest::newRow("start: x = 1000") << false << QPoint(1000, 10) << Qt::LeftButton << false;
    QTest::newRow("start: y = 630") << false << QPoint(10, 630) << Qt::LeftButton << false;
    QTest::newRow("start: right button") << false << QPoint(100, 100) << Qt::RightButton << false;
    QTest::newRow("main: top left") << true << QPoint(1, 1) << Qt::LeftButton << true;
    QTest::newRow("main: strip end") << true << QPoint(1175, 79) << Qt::LeftButton << true;
    QTest::newRow("main: y = 80") << true << QPoint(10, 80) << Qt::LeftButton << false;
    QTest::newRow("main: x = 0") << true << QPoint(0, 10) << Qt::LeftButton << false;
    QTest::newRow("main: below the strip") << true << QPoint(500, 300) << Qt::LeftButton << false;
}

void WindowTest::pressInsideTheDragAreaStartsADrag()
{
    QFETCH(bool, mainScreen);
    QFETCH(QPoint, press);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, drags);
    if (mainScreen)
        plugIn(addHeadset(true));
    const QPoint start = window().pos();
    const QPoint delta(30, -12);

    sendMouse(&window(), QEvent::MouseButtonPress, press, button, button);
    sendMouse(&window(), QEvent::MouseMove, press + delta, Qt::NoButton, button);
    QCOMPARE(window().pos(), drags ? start + delta : start);
}

void WindowTest::releaseEndsTheDrag()
{
    const QPoint press(200, 100);
    sendMouse(&window(), QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&window(), QEvent::MouseMove, press + QPoint(5, 5), Qt::NoButton, Qt::LeftButton);
    sendMouse(&window(), QEvent::MouseButtonRelease, press + QPoint(5, 5), Qt::LeftButton,
              Qt::NoButton);
    const QPoint dropped = window().pos();
    sendMouse(&window(), QEvent::MouseMove, press + QPoint(40, 40), Qt::NoButton, Qt::NoButton);
    QCOMPARE(window().pos(), dropped);
}

void WindowTest::closingHidesToTheTray_data()
{
    QTest::addColumn<QString>("closeButton");
    QTest::newRow("main-screen close button") << "pushButton_Close";
    QTest::newRow("start-screen close button") << "pushButton_DefaultClose";
    QTest::newRow("window system's close request") << QString();
}

void WindowTest::closingHidesToTheTray()
{
    QFETCH(QString, closeButton);
    window().trayAvailable = [] { return true; };
    window().show();
    // Closing must not end the program: no last-window-closed, and the loop
    // runs on until the test ends it.
    QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);
    const int exitCode = runEventLoop([&] {
        if (closeButton.isEmpty())
            window().close();
        else
            childNamed<QPushButton>(m_window.get(), closeButton)->click();
        QTimer::singleShot(0, [] { QCoreApplication::exit(kLoopLeftByTest); });
    });
    QCOMPARE(lastWindowClosed.count(), 0);
    QCOMPARE(exitCode, kLoopLeftByTest);
    QVERIFY(window().isHidden());
    QVERIFY(window().tray().icon()->isVisible());
}

void WindowTest::minimiseButtonMinimises()
{
    window().show();
    window().ui.pushButton_Minimize->click();
    QVERIFY(window().isMinimized());
}

void WindowTest::trayClickShowsOnlyOnSingleClick_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<bool>("shows");
    QTest::newRow("single click") << QSystemTrayIcon::Trigger << true;
    QTest::newRow("double click") << QSystemTrayIcon::DoubleClick << false;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << false;
    QTest::newRow("context menu") << QSystemTrayIcon::Context << false;
}

void WindowTest::trayClickShowsOnlyOnSingleClick()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(bool, shows);
    emit window().tray().icon()->activated(reason);
    QCOMPARE(window().isVisible(), shows);
}

void WindowTest::trayMenuOffersHomePageAndQuit()
{
    QMenu* menu = window().tray().icon()->contextMenu();
    QVERIFY(menu);
    QStringList entries;
    for (const QAction* action : menu->actions())
        entries.append(action->isSeparator() ? QString("---") : action->text());
    QCOMPARE(entries, QStringList({"Home Page", "---", "High contrast", "Quit"}));
}

void WindowTest::homePageShowsTheWindow()
{
    QAction* homePage = trayMenuAction("Home Page");
    QVERIFY(homePage);
    homePage->trigger();
    QVERIFY(window().isVisible());
}

// Quit ends the loop; main then lets the window and the session go, which
// closes the headset.
void WindowTest::quitEndsTheLoopAndClosesTheHeadset()
{
    plugIn(addHeadset(false));
    QVERIFY(m_session->isOpen());
    window().show();
    QAction* quit = trayMenuAction("Quit");
    QVERIFY(quit);

    QCOMPARE(runEventLoop([quit] { quit->trigger(); }), 0);
    QVERIFY(window().isHidden());
    QVERIFY(!window().tray().icon()->isVisible());
    m_window.reset();
    m_session.reset();
    QCOMPARE(m_headsets->openHandleCount(), 0);
}

void WindowTest::tabStyleDrawsTextLeftTenPixelsIn_data()
{
    QTest::addColumn<int>("requestedFlags");
    QTest::newRow("centred") << int(Qt::AlignCenter);
    QTest::newRow("right, bottom") << int(Qt::AlignRight | Qt::AlignBottom);
    QTest::newRow("left, top") << int(Qt::AlignLeft | Qt::AlignTop);
    QTest::newRow("centred with mnemonic") << int(Qt::AlignCenter | Qt::TextShowMnemonic);
}

void WindowTest::tabStyleDrawsTextLeftTenPixelsIn()
{
    QFETCH(int, requestedFlags);
    const QStyle* style = window().ui.tabWidget->tabBar()->style();
    const QString text = "Game";
    const QRect drawn = inkBounds(drawnText([&](QPainter& painter) {
        style->drawItemText(&painter, kTextRect, requestedFlags, blackText(), true, text,
                            QPalette::WindowText);
    }));
    const QRect centred = inkBounds(drawnByApplicationStyle(kTextRect, Qt::AlignCenter, text));
    const QRect leftAligned =
        inkBounds(drawnByApplicationStyle(kTextRect, Qt::AlignLeft | Qt::AlignVCenter, text));

    QVERIFY(!drawn.isEmpty());
    QCOMPARE(drawn, leftAligned.translated(10, 0));
    QCOMPARE(drawn.top(), centred.top());
    QCOMPARE(drawn.height(), centred.height());
    QVERIFY(drawn.left() < centred.left());
}

// QTabBar::setStyle and a QButtonGroup made without a parent leave the object
// to its maker: the window must free them, or every window leaks them.
void WindowTest::closingTheWindowFreesItsStyleAndButtonGroups()
{
    QList<QPointer<QObject>> made{window().ui.tabWidget->tabBar()->style()};
    for (QAbstractButton* button : window().findChildren<QAbstractButton*>())
        if (button->group() && !made.contains(button->group()))
            made.append(button->group());
    QCOMPARE(made.size(), 5);
    QStringList classNames;
    for (const QPointer<QObject>& object : made)
        classNames.append(object->metaObject()->className());
    m_window.reset();
    for (int i = 0; i < made.size(); ++i)
        QVERIFY2(made[i].isNull(), qPrintable(classNames[i] + " outlived the window"));
}

void WindowTest::tabStyleDrawsAmpersandLiterally()
{
    const QStyle* style = window().ui.tabWidget->tabBar()->style();
    const QString text = "R&B";
    const QImage drawn = drawnText([&](QPainter& painter) {
        style->drawItemText(&painter, kTextRect, Qt::AlignCenter | Qt::TextShowMnemonic,
                            blackText(), true, text, QPalette::WindowText);
    });
    const QRect shifted = kTextRect.translated(10, 0);
    const int leftMiddle = Qt::AlignLeft | Qt::AlignVCenter;
    QCOMPARE(drawn, drawnByApplicationStyle(shifted, leftMiddle, text));
    QVERIFY(drawn != drawnByApplicationStyle(shifted, leftMiddle | Qt::TextShowMnemonic, text));
}

void WindowTest::onlyTheSpectrumPanelHasAGraph()
{
    const VelumixClass& ui = window().ui;
    QCOMPARE(ui.widget_Param_Stereo->graphCount(), 0);
    QCOMPARE(ui.widget_Param_Surround->graphCount(), 0);
    QCOMPARE(ui.widget_Spectrum->graphCount(), 1);
    const QCPGraph* spectrum = ui.widget_Spectrum->graph(0);
    QCOMPARE(spectrum->name(), QString("test1"));
    QVERIFY(spectrum->data()->isEmpty());
}

void WindowTest::gainAxisLabelColours_data()
{
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QColor>("labels");
    QTest::newRow("surround") << "widget_Param_Surround" << QColor(Qt::white);
    QTest::newRow("stereo keeps the default") << "widget_Param_Stereo" << QColor(Qt::black);
}

void WindowTest::gainAxisLabelColours()
{
    QFETCH(QString, panel);
    QFETCH(QColor, labels);
    QCOMPARE(childNamed<QCustomPlot>(m_window.get(), panel)->yAxis->tickLabelColor(), labels);
}

void WindowTest::bandSlidersStartLockedAtZero()
{
    for (const QString& band : kBands)
        for (const QString& suffix : {QString(), QString("_2")}) {
            const QString name = "verticalSlider_" + band + suffix;
            const QSlider* slider = childNamed<QSlider>(m_window.get(), name);
            QVERIFY2(slider->value() == 0, qPrintable(name));
            QVERIFY2(!slider->isEnabled(), qPrintable(name));
        }
}

void WindowTest::copyButtonsStartHidden()
{
    for (int number = 13; number <= 32; ++number) {
        const QString name = QString("pushButton_%1").arg(number);
        QVERIFY2(childNamed<QPushButton>(m_window.get(), name)->isHidden(), qPrintable(name));
    }
}

void WindowTest::customSlotsStartNamedAndUnselected()
{
    for (const QString& page : QStringList{"Surround", "Stereo"}) {
        for (int slot = 1; slot <= 5; ++slot) {
            const auto* radio = childNamed<QRadioButton>(
                m_window.get(), QString("radioButton_%1_Custom%2").arg(page).arg(slot));
            QCOMPARE(radio->text(), QString("Customize -%1").arg(slot));
            QVERIFY2(!radio->isChecked(), qPrintable(radio->objectName()));
        }
        QVERIFY(childNamed<QRadioButton>(m_window.get(),
                                         QString("radioButton_%1_ZUVOStandard").arg(page))
                    ->isChecked());
    }
}

// Until it is set over the link, noise cancellation looks neither on nor off.
void WindowTest::noiseCancellationStartsUnknown()
{
    QVERIFY(!window().ui.checkBox_MicENC->isChecked());
    window().show();
    for (QPushButton* half : {window().ui.pushButton_2, window().ui.pushButton_3})
        QCOMPARE(shownBackground(half), QColor(30, 30, 30));
}

void WindowTest::microphoneStartsAtFullVolume()
{
    QCOMPARE(window().ui.Slider_Voice1_3->value(), 100);
    QCOMPARE(window().ui.textEdit_3->toPlainText(), QString("100"));
}

void WindowTest::microphoneSliderWithoutHeadsetOnlyUpdatesItsText_data()
{
    QTest::addColumn<int>("level");
    QTest::newRow("silent") << 0;
    QTest::newRow("middle") << 37;
    QTest::newRow("almost full") << 99;
}

void WindowTest::microphoneSliderWithoutHeadsetOnlyUpdatesItsText()
{
    QFETCH(int, level);
    window().ui.Slider_Voice1_3->setValue(level);
    QCOMPARE(window().ui.textEdit_3->toPlainText(), QString::number(level));
}

void WindowTest::microphoneSliderSendsTheLevel()
{
    QVERIFY(openHeadset());
    window().ui.Slider_Voice1_3->setValue(37);
    const Frames frames = this->frames();
    QCOMPARE(frames.size(), size_t(1));
    QCOMPARE(frames[0][frame::kCodeOffset], uint8_t(frame::SetMicVolume));
    QCOMPARE(payloadOf(frames[0]), QList<int>({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 37, 0, 0, 0}));
}

void WindowTest::noiseCancellationControlsSendTheSwitch_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("boxTicked");
    QTest::addColumn<QList<int>>("payload");
    const QList<int> on = {1, 0, 0, 0, 1, 0};
    const QList<int> off = {1, 0, 0, 0, 2, 0};
    QTest::newRow("ON button") << "pushButton_2" << true << on;
    QTest::newRow("OFF button") << "pushButton_3" << true << off;
    QTest::newRow("check box unticked") << "checkBox_MicENC" << true << off;
    QTest::newRow("check box ticked") << "checkBox_MicENC" << false << on;
}

void WindowTest::noiseCancellationControlsSendTheSwitch()
{
    QFETCH(QString, control);
    QFETCH(bool, boxTicked);
    QFETCH(QList<int>, payload);
    QVERIFY(openHeadset());
    window().ui.checkBox_MicENC->setChecked(boxTicked);

    childNamed<QAbstractButton>(m_window.get(), control)->click();
    const Frames frames = this->frames();
    QCOMPARE(frames.size(), size_t(1));
    QCOMPARE(frames[0][frame::kCodeOffset], uint8_t(frame::SetAlgorithmSwitch));
    QCOMPARE(payloadOf(frames[0]), payload);
}

void WindowTest::onOffButtonsSwapTheirLooks_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::newRow("ON") << QStringList{"pushButton_2"};
    QTest::newRow("OFF") << QStringList{"pushButton_3"};
    QTest::newRow("OFF, then ON") << QStringList{"pushButton_3", "pushButton_2"};
    QTest::newRow("ON, then OFF") << QStringList{"pushButton_2", "pushButton_3"};
}

void WindowTest::onOffButtonsSwapTheirLooks()
{
    QFETCH(QStringList, clicks);
    QVERIFY(openHeadset());
    for (const QString& name : clicks)
        childNamed<QPushButton>(m_window.get(), name)->click();

    QPushButton* active = childNamed<QPushButton>(m_window.get(), clicks.last());
    QPushButton* other =
        active == window().ui.pushButton_2 ? window().ui.pushButton_3 : window().ui.pushButton_2;
    // The chosen half shows orange and lies on top of the other, grey one.
    QCOMPARE(shownBackground(active), QColor(255, 171, 62));
    QCOMPARE(shownBackground(other), QColor(30, 30, 30));
    QVERIFY(isAbove(active, other));
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
