#include "WindowRig.h"

#include "ConfigNames.h"
#include "DataFolder.h"
#include "TraceLog.h"
#include "WidgetTables.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTabBar>
#include <QThread>

#include <algorithm>

namespace {

constexpr int kDeadlineMs = 10000;
// The replies the session acts on, and the requests that ask for them.
bool isAnsweredCode(uint8_t code)
{
    return code == frame::ReadAudio || code == frame::SetPeq || code == frame::ReadStatus;
}

bool answeredWithSignal(const Frame& frame)
{
    return frame.size() > size_t(frame::kCodeOffset) && isAnsweredCode(frame[frame::kCodeOffset]);
}

bool usable(QWidget* widget)
{
    if (widget->isVisibleTo(widget->window()) && widget->isEnabled())
        return true;
    qWarning("%s is %s", qPrintable(widget->objectName()),
             widget->isEnabled() ? "hidden" : "disabled");
    return false;
}

} // namespace

QString algorithmOf(SoundPage page)
{
    return page == SoundPage::Surround ? "Surround" : "Stereo";
}

PageControls pageControls(Velumix& window, SoundPage page)
{
    VelumixClass& ui = window.ui;
    if (page == SoundPage::Surround)
        return {page,
                "Surround",
                0,
                ui.radioButton_Surround_Customize,
                ui.pushButton_Surround_CustomAdd,
                ui.lineEdit_23,
                ui.pushButton_CustomReset,
                ui.pushButton_CustomSave,
                widgets(ui, kSurroundCustomRadios),
                widgets(ui, kSurroundCustomDeleteButtons),
                ui.pushButton_Surround_CustomClear,
                {ui.label_33, ui.pushButton_6, ui.pushButton_7},
                ui.pushButton_6,
                widgets(ui, kSurroundBandSliders)};
    return {page,
            "Stereo",
            1,
            ui.radioButton_Stereo_Customize,
            ui.pushButton_Stereo_CustomAdd,
            ui.lineEdit_15,
            ui.pushButton_CustomReset2,
            ui.pushButton_CustomSave2,
            widgets(ui, kStereoCustomRadios),
            widgets(ui, kStereoCustomDeleteButtons),
            ui.pushButton_Stereo_CustomClear,
            {ui.label_34, ui.pushButton_10, ui.pushButton_11},
            ui.pushButton_10,
            widgets(ui, kStereoBandSliders)};
}

EqGains sliderGains(const PageControls& controls)
{
    EqGains gains{};
    for (int band = 0; band < kBandCount; ++band)
        gains[band] = controls.sliders[band]->value();
    return gains;
}

EqGains sliderGains(Velumix& window, SoundPage page)
{
    return sliderGains(pageControls(window, page));
}

// As a person reads them: "&&" shows one '&'.
QStringList visibleSlotTexts(const PageControls& controls)
{
    QStringList texts;
    for (QRadioButton* slot : controls.customSlots)
        if (slot->isVisibleTo(slot->window()))
            texts << QString(slot->text()).replace(QLatin1String("&&"), QLatin1String("&"));
    return texts;
}

int checkedSlot(const PageControls& controls)
{
    for (size_t slot = 0; slot < controls.customSlots.size(); ++slot)
        if (controls.customSlots[slot]->isChecked())
            return int(slot) + 1;
    return 0;
}

namespace {

// Siblings only: raise() and lower() reorder the parent's children.
bool isAbove(const QWidget* upper, const QWidget* lower)
{
    const QObjectList& siblings = upper->parentWidget()->children();
    return siblings.indexOf(const_cast<QWidget*>(upper)) >
           siblings.indexOf(const_cast<QWidget*>(lower));
}

bool startWidgetsAboveMain(Velumix& window, bool above)
{
    const VelumixClass& ui = window.ui;
    for (const QWidget* startWidget : std::initializer_list<const QWidget*>{
             ui.label_DefaultBackground, ui.label_DefaultHead, ui.pushButton_DefaultClose})
        if (isAbove(startWidget, ui.tabWidget) != above)
            return false;
    return true;
}

} // namespace

bool mainScreenInFront(Velumix& window)
{
    return window.mainScreenShown() && startWidgetsAboveMain(window, false) &&
           window.ui.label_Head->isVisibleTo(&window);
}

bool startScreenInFront(Velumix& window)
{
    return !window.mainScreenShown() && startWidgetsAboveMain(window, true) &&
           !window.ui.label_Head->isVisibleTo(&window);
}

HeadsetSession::Options programSessionOptions()
{
    HeadsetSession::Options options;
    options.defaultFileFolder = dataFolder() + "/" + kDefaultFileFolder;
    options.userFileFolder = userFileFolder(programBaseName());
    options.keepHeadsetInStep = true;
    return options;
}

WindowRig::WindowRig() = default;

WindowRig::~WindowRig()
{
    m_window.reset();
    m_session.reset();
}

int WindowRig::addUnit(quint16 productId, DeviceIdentity identity, bool plugged, Firmware firmware)
{
    HeadsetSettings settings;
    settings.productId = productId;
    settings.identity = identity;
    const int unit = backend.addHeadset(settings);
    if (firmware == Firmware::Silent) {
        backend.firmware(unit).faults().silent = true;
        m_silentUnits.push_back(unit);
    }
    if (!plugged)
        backend.unplug(unit);
    return unit;
}

int WindowRig::addForeignDevice(quint16 vendorId, quint16 productId)
{
    HeadsetSettings settings;
    settings.productId = productId;
    const int unit =
        backend.addHeadset(settings, SimulatedHidBackend::headsetInterfaces(), vendorId);
    backend.firmware(unit).faults().silent = true;
    backend.unplug(unit);
    return unit;
}

Velumix& WindowRig::buildWindow(const HeadsetSession::Options& options, Velumix::Build build)
{
    m_window.reset();
    m_session = std::make_unique<HeadsetSession>(backend, &hotplug, options);
    QObject::connect(&m_session->link(), &HeadsetLink::replyHandled, [this](uint8_t code) {
        if (isAnsweredCode(code))
            ++m_repliesHandled;
    });
    m_window = std::make_unique<Velumix>(*m_session, nullptr, build);
    m_window->startSession();
    return *m_window;
}

bool WindowRig::start()
{
    Velumix& window = buildWindow();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    if (!QTest::qWaitFor([this] { return m_session->unitKnown(); }, kDeadlineMs)) {
        qWarning("the window took no status reply as the arrival of a unit");
        return false;
    }
    return settle();
}

bool WindowRig::startWith(quint16 productId, DeviceIdentity identity)
{
    addUnit(productId, identity);
    return start();
}

bool WindowRig::startOnPage(quint16 productId, SoundPage page)
{
    return startWith(productId) && openPage(this->page(page));
}

bool WindowRig::startOnCustomList(quint16 productId, SoundPage page)
{
    return startWith(productId) && openCustomList(this->page(page));
}

void WindowRig::stop()
{
    settle();
    m_window.reset();
    m_session.reset();
}

void WindowRig::plugIn(int unit)
{
    backend.plug(unit);
    for (const std::string& path : backend.interfacePaths(unit))
        hotplug.arrive(QString::fromStdString(path));
}

void WindowRig::pullOut(int unit)
{
    // Replies still on their way would be lost with the link.
    settle();
    pullOutAtOnce(unit);
}

void WindowRig::pullOutAtOnce(int unit)
{
    backend.unplug(unit);
    for (const std::string& path : backend.interfacePaths(unit))
        hotplug.remove(QString::fromStdString(path));
}

void WindowRig::finishTurnAfterClose()
{
    QCoreApplication::sendPostedEvents();
    m_answeredRequestsCleared += m_repliesHandled - answeredRequestsWritten();
}

int WindowRig::answeredRequestsWritten() const
{
    const auto written = backend.receivedFrames();
    return m_answeredRequestsCleared +
           int(std::count_if(written.begin(), written.end(), [this](const auto& received) {
               return answeredWithSignal(received.bytes) &&
                      std::find(m_silentUnits.begin(), m_silentUnits.end(), received.unit) ==
                          m_silentUnits.end();
           }));
}

bool WindowRig::settle()
{
    const bool settled = QTest::qWaitFor(
        [this] { return m_repliesHandled == answeredRequestsWritten(); }, kDeadlineMs);
    if (!settled)
        qWarning("%d replies handled for %d requests", m_repliesHandled, answeredRequestsWritten());
    return settled;
}

bool WindowRig::press(QAbstractButton* button)
{
    if (!usable(button))
        return false;
    button->click();
    return true;
}

bool WindowRig::clickTab(int index)
{
    QTabBar* bar = m_window->ui.tabWidget->tabBar();
    if (!bar->isTabEnabled(index)) {
        qWarning("tab %d is disabled", index);
        return false;
    }
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    return true;
}

bool WindowRig::openPage(const PageControls& controls)
{
    return clickTab(controls.tab) && settle();
}

bool WindowRig::openCustomList(const PageControls& controls)
{
    return openPage(controls) && press(controls.customize);
}

bool WindowRig::typeName(QLineEdit* nameBox, const QString& text)
{
    if (!usable(nameBox))
        return false;
    QTest::mouseClick(nameBox, Qt::LeftButton);
    QTest::keyClick(nameBox, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(nameBox, text);
    return true;
}

// The signals of a mouse drag of the handle: pressed, moved, released.
bool WindowRig::drag(QSlider* slider, int value)
{
    if (!usable(slider))
        return false;
    slider->setSliderDown(true);
    slider->setSliderPosition(value);
    slider->setSliderDown(false);
    return true;
}

bool WindowRig::dragTo(const PageControls& controls, const EqGains& gains)
{
    for (int band = 0; band < kBandCount; ++band)
        if (!drag(controls.sliders[band], gains[band]))
            return false;
    return true;
}

Frames WindowRig::frames() const
{
    Frames result;
    for (const auto& received : backend.receivedFrames())
        result.push_back(received.bytes);
    return result;
}

Frames WindowRig::framesWithCode(uint8_t code) const
{
    Frames result;
    for (const Frame& frame : frames())
        if (frame.size() > size_t(frame::kCodeOffset) && frame[frame::kCodeOffset] == code)
            result.push_back(frame);
    return result;
}

void WindowRig::clearFrames()
{
    m_answeredRequestsCleared = answeredRequestsWritten();
    backend.clearReceivedFrames();
}

QStringList WindowRig::traceSteps(const QString& tag) const
{
    QFile log(traceLogFilePath());
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    // A record reads "tag : step\t\t(unit - function ... line);".
    const QString prefix = tag + " : ";
    QStringList steps;
    for (const QString& line : QString::fromLatin1(log.readAll()).split('\n'))
        if (line.startsWith(prefix))
            steps.append(line.mid(prefix.size()).section('\t', 0, 0));
    return steps;
}

Frame algorithmSwitch(const std::array<uint8_t, 6>& payload)
{
    return bytesOf(frame::buildCommand(frame::kLongCommand, frame::SetAlgorithmSwitch,
                                       payload.data(), int(payload.size())));
}

bool containsRun(const Frames& frames, const Frames& run)
{
    return std::search(frames.begin(), frames.end(), run.begin(), run.end()) != frames.end();
}

Frames lastPeqPair(const WindowRig& rig)
{
    const Frames peq = rig.framesWithCode(frame::SetPeq);
    if (peq.size() < 2)
        return peq;
    return Frames(peq.end() - 2, peq.end());
}

namespace QTest {
template <> char* toString(const EqGains& gains)
{
    return qstrdup(gainText(gains).toUtf8().constData());
}
} // namespace QTest
