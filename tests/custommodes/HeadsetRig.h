#pragma once
// The window driven as a person drives it, against simulated headset units:
// widgets are clicked and typed into, and the checks look at what a person
// and the headset see (widgets, the frames the headset received, the user
// files on disk, the message boxes). Replies travel through the real reader
// thread and its queued signal.

#include "HotplugSource.h"
#include "LogRecorder.h"
#include "MessageBoxRecorder.h"
#include "SimulatedLink.h"
#include "TestFrames.h"
#include "ThrowawayHome.h"
#include "Velumix.h"

#include <QJsonObject>
#include <QStringList>
#include <QTest>

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

constexpr quint16 kHalden = 0x1054; // headset model 1
constexpr quint16 kMorvik = 0x1029; // headset model 2
constexpr DeviceIdentity kFirstUnit{0x0a, 0x1b, 0x2c, 0x3d};
constexpr DeviceIdentity kSecondUnit{0x11, 0x22, 0x33, 0x44};
constexpr uint8_t kSurroundState = 16;
constexpr uint8_t kStereoState = 15;

Q_DECLARE_METATYPE(SoundPage)

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
// The texts of the page's visible slots, slot 1 first.
QStringList visibleSlotTexts(const PageControls& controls);
int checkedSlot(const PageControls& controls); // 1..5, 0 for none

// A widget of the form by its object name; a name the form lacks is a
// mistake in the test itself.
template <typename Widget> Widget* named(Velumix& window, const QString& name)
{
    auto* widget = window.findChild<Widget*>(name);
    if (!widget)
        qFatal("the window has no %s named %s", Widget::staticMetaObject.className(),
               qPrintable(name));
    return widget;
}

class HeadsetRig
{
public:
    HeadsetRig();
    ~HeadsetRig();
    HeadsetRig(const HeadsetRig&) = delete;
    HeadsetRig& operator=(const HeadsetRig&) = delete;

    int addUnit(quint16 productId, DeviceIdentity identity = kFirstUnit, bool plugged = true);
    HeadsetSettings& settings(int unit) { return link.backend.firmware(unit).settings(); }
    EqGains headsetGains(int unit) { return link.backend.firmware(unit).gains(); }

    // Builds and shows the window, then waits until the plugged unit's status
    // reply and everything it set off have been handled.
    bool start();
    // One plugged unit of this product, then start().
    bool startWith(quint16 productId, DeviceIdentity identity = kFirstUnit);
    // The program ends: the window goes, the units stay as they are.
    void stop();
    Velumix& window() { return *m_window; }
    PageControls page(SoundPage which) { return pageControls(*m_window, which); }

    // Like a real unit: the back end changes, then one event per interface.
    void plugIn(int unit);
    void pullOut(int unit);

    // Waits until the window has handled the headset's reply to every
    // request written so far, and to the requests that handling wrote.
    bool settle();

    // What a person does; false (with a warning naming the widget) when the
    // widget is hidden or disabled, as a person could not use it then.
    bool press(QAbstractButton* button);
    bool clickTab(int index);
    bool typeName(QLineEdit* nameBox, const QString& text);
    bool drag(QSlider* slider, int value);
    bool dragTo(const PageControls& controls, const EqGains& gains);

    Frames frames() const;
    Frames framesWithCode(uint8_t code) const;
    void clearFrames();
    // The boxes shown so far, each as "title: text".
    QStringList boxes() const { return m_boxes.boxes(); }

    SimulatedLink link;
    ManualHotplugSource hotplug;

private:
    int answeredRequestsWritten() const;

    int repliesHandled() const;

    LogRecorder m_log;
    int m_answeredRequestsCleared = 0;
    MessageBoxRecorder m_boxes;
    std::unique_ptr<Velumix> m_window;
};

// Frames as the headset receives them.
Frame algorithmSwitch(const std::array<uint8_t, 6>& payload);
// Whether `frames` holds `run` as consecutive frames.
bool containsRun(const Frames& frames, const Frames& run);
// The last two PEQ frames the headset received.
Frames lastPeqPair(const HeadsetRig& rig);

// Configuration files.
QString userFilePath(quint16 productId, const DeviceIdentity& identity);
QJsonObject readJsonFile(const QString& path);
QByteArray fileBytes(const QString& path);
QJsonObject shippedDefault(quint16 productId);
EqGains shippedPresetGains(quint16 productId, const QString& algorithm, const QString& name);
QString gainText(const EqGains& gains);
EqGains gainsOf(const QString& parameter);
CustomRecord customMode(const QString& algorithm, const QString& name, const EqGains& gains);
QJsonObject currentMode(const QString& algorithm, const QString& mode, const QString& name);
// A unit's user file as the program would have left it: the shipped default
// file with the unit's identity, these custom modes and this saved mode.
void prepareUserFile(quint16 productId, const DeviceIdentity& identity,
                     const QList<CustomRecord>& modes,
                     const std::optional<QJsonObject>& mode = std::nullopt);
// "Surround | name | parameter" for each record, so that failures read well.
QStringList described(const QList<CustomRecord>& modes);
QList<CustomRecord> customRecordsInFile(const QString& path);
QStringList customModesInFile(const QString& path);
QString savedModeInFile(const QString& path);
QString described(const QJsonObject& object);

namespace QTest {
template <> char* toString(const EqGains& gains);
} // namespace QTest
