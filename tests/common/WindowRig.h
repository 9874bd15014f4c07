#pragma once
// The window driven as a person drives it, against simulated headset units:
// widgets are clicked and typed into, and the checks look at what a person
// and the headset see (widgets, the frames the headset received, the user
// files on disk, the message boxes, the debug lines and trace records) and
// at the session the window shows. A unit's firmware either replies, and the
// replies travel through the real link and the event loop, or stays silent,
// for the checks that look only at what the program sends on its own. One
// rig per test; units are added before the window is built, and the window
// goes first, then its session.

#include "FileActions.h"
#include "HeadsetSession.h"
#include "HotplugSource.h"
#include "LogRecorder.h"
#include "MessageBoxRecorder.h"
#include "MicrophonePane.h"
#include "SimulatedHeadset.h"
#include "SoundPageView.h"
#include "SpeakerTest.h"
#include "TestFrames.h"
#include "ThrowawayHome.h"
#include "TrayMenu.h"
#include "UnitFiles.h"
#include "Velumix.h"

#include <QStringList>
#include <QTest>

#include <array>
#include <memory>
#include <vector>

constexpr quint16 kHalden = 0x1054; // headset model 1
constexpr quint16 kMorvik = 0x1029; // headset model 2
constexpr DeviceIdentity kFirstUnit{0x0a, 0x1b, 0x2c, 0x3d};
constexpr DeviceIdentity kSecondUnit{0x11, 0x22, 0x33, 0x44};
constexpr uint8_t kSurroundState = 16;
constexpr uint8_t kStereoState = 15;
// The window's tabs.
constexpr int kSurroundTab = 0;
constexpr int kStereoTab = 1;
constexpr int kMicrophoneTab = 2;

Q_DECLARE_METATYPE(SoundPage)

enum class Firmware
{
    Replying,
    Silent
};

// One sound page's mode list, equaliser and edit controls.
struct PageControls
{
    SoundPage page;
    QString algorithm;
    int tab;
    QRadioButton* customize;
    QPushButton* add;
    QLineEdit* nameBox;
    QPushButton* reset;
    QPushButton* save;
    std::array<QRadioButton*, 5> customSlots;
    std::array<QPushButton*, 5> deleteButtons;
    QPushButton* deleteRequest;
    std::array<QWidget*, 3> deleteConfirmation; // prompt, confirm, cancel
    QPushButton* confirmDelete;
    std::array<QSlider*, kBandCount> sliders;
};

QString algorithmOf(SoundPage page);
PageControls pageControls(Velumix& window, SoundPage page);
EqGains sliderGains(const PageControls& controls);
EqGains sliderGains(Velumix& window, SoundPage page);
// The texts of the page's visible slots, slot 1 first.
QStringList visibleSlotTexts(const PageControls& controls);
int checkedSlot(const PageControls& controls); // 1..5, 0 for none

bool mainScreenInFront(Velumix& window);
bool startScreenInFront(Velumix& window);

// A widget of the form by its object name; a name the form lacks is a
// mistake in the test itself.
// The session's options as the program sets them.
HeadsetSession::Options programSessionOptions();

template <typename Widget> Widget* named(Velumix& window, const QString& name)
{
    auto* widget = window.findChild<Widget*>(name);
    if (!widget)
        qFatal("the window has no %s named %s", Widget::staticMetaObject.className(),
               qPrintable(name));
    return widget;
}

class WindowRig
{
public:
    WindowRig();
    ~WindowRig();
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    // A headset unit of the vendor; plugged: present when the window is built.
    int addUnit(quint16 productId, DeviceIdentity identity = kFirstUnit, bool plugged = true,
                Firmware firmware = Firmware::Replying);
    int addSilentUnit(quint16 productId, bool plugged = true, DeviceIdentity identity = kFirstUnit)
    {
        return addUnit(productId, identity, plugged, Firmware::Silent);
    }
    // A device of another vendor with the same two interfaces, unplugged.
    int addForeignDevice(quint16 vendorId, quint16 productId);
    HeadsetSettings& settings(int unit) { return backend.firmware(unit).settings(); }
    EqGains headsetGains(int unit) { return backend.firmware(unit).gains(); }

    // Builds the session and the window, not shown, and starts the session.
    Velumix& buildWindow(const HeadsetSession::Options& options = programSessionOptions(),
                         Velumix::Build build = Velumix::Build::Now);
    // Builds and shows the window, then waits until the plugged unit's status
    // reply and everything it set off have been handled.
    bool start();
    // One plugged unit of this product, then start().
    bool startWith(quint16 productId, DeviceIdentity identity = kFirstUnit);
    // One plugged unit of this product, started, with the page open.
    bool startOnPage(quint16 productId, SoundPage page);
    // The same, with the page's list of custom modes shown.
    bool startOnCustomList(quint16 productId, SoundPage page);
    // The program ends: the window goes, the units stay as they are.
    void stop();
    Velumix& window() { return *m_window; }
    HeadsetSession& session() { return *m_session; }
    PageControls page(SoundPage which) { return pageControls(*m_window, which); }

    // Like a real unit: the back end changes, then one event per interface.
    void plugIn(int unit);
    void pullOut(int unit);
    // Pulls the unit out without waiting for the replies still on their way,
    // as a person can right after plugging it in. The event loop does not
    // turn: what the reader had passed on is still queued for the window.
    void pullOutAtOnce(int unit);
    // Ends the event-loop turn: the window handles everything queued so far.
    // The replies of a closed link never come, so the requests written to it
    // are written off.
    void finishTurnAfterClose();

    // Waits until the window has handled the reply to every request written
    // to a replying unit so far, and to the requests that handling wrote.
    bool settle();

    // What a person does; false (with a warning naming the widget) when the
    // widget is hidden or disabled, as a person could not use it then.
    bool press(QAbstractButton* button);
    bool clickTab(int index);
    // Clicks the page's tab and waits for what that set off.
    bool openPage(const PageControls& controls);
    // The page open and its list of custom modes shown.
    bool openCustomList(const PageControls& controls);
    bool typeName(QLineEdit* nameBox, const QString& text);
    bool drag(QSlider* slider, int value);
    bool dragTo(const PageControls& controls, const EqGains& gains);

    Frames frames() const;
    Frames framesWithCode(uint8_t code) const;
    void clearFrames();
    // The boxes shown so far, each as "title: text".
    QStringList boxes() const { return m_boxes.boxes(); }
    QStringList boxDetails() const { return m_boxes.details(); }
    int debugLineCount(const QString& text) const { return m_log.debugLineCount(text); }
    // Every message of any kind seen so far, in order.
    QStringList messages() const { return m_log.messages(); }
    // Forgets the messages and boxes seen so far, so that a long run keeps
    // no record.
    void clearMessages()
    {
        m_log.clear();
        m_boxes.clear();
    }
    // The steps of the trace records with this tag, in order.
    QStringList traceSteps(const QString& tag) const;

    SimulatedHidBackend backend;
    ManualHotplugSource hotplug;

private:
    int answeredRequestsWritten() const;

    LogRecorder m_log;
    MessageBoxRecorder m_boxes;
    int m_answeredRequestsCleared = 0;
    int m_repliesHandled = 0;
    std::vector<int> m_silentUnits;
    std::unique_ptr<HeadsetSession> m_session;
    std::unique_ptr<Velumix> m_window;
};

// Frames as the headset receives them.
Frame algorithmSwitch(const std::array<uint8_t, 6>& payload);
// Whether `frames` holds `run` as consecutive frames.
bool containsRun(const Frames& frames, const Frames& run);
// The last two PEQ frames the headset received.
Frames lastPeqPair(const WindowRig& rig);

namespace QTest {
template <> char* toString(const EqGains& gains);
} // namespace QTest
