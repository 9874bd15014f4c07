// The system volume on both sound pages, the headset's microphone volume and
// its noise cancellation.

#include "Velumix.h"

#include "SystemVolume.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QSignalBlocker>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {

constexpr int kMicrophoneStartLevel = 100;

const char* const kActiveOnStyle =
    "QPushButton{border-radius: 5px; color:rgb(255,255,255);border: none;background-color: "
    "rgb(255,171,62)}";
const char* const kInactiveOffStyle =
    "QPushButton{background-color: rgb(30,30,30);border-top-right-radius:5px;"
    "border-bottom-right-radius: 5px;color:rgb(100,100,100)}";
const char* const kInactiveOnStyle =
    "QPushButton{background-color: rgb(30,30,30);border-top-left-radius: 5px;"
    "border-bottom-left-radius:5px;color:rgb(100,100,100)}";
const char* const kActiveOffStyle =
    "QPushButton{color:rgb(255,255,255);border-radius: 5px; border: none;background-color: "
    "rgb(255,171,62)}";

const char* const kNoSoundServerTip =
    "No sound server (PulseAudio or PipeWire) is running, so the system volume cannot be "
    "changed here.";
const char* const kNoOutputDeviceTip =
    "The sound server has no output device, so the system volume cannot be changed.";

void reportVolumeFailure(const SystemVolumeResult& result)
{
    qCDebug(lcWindow).noquote() << "system volume:" << result.failedStep
                                << "failed:" << result.reason;
}

// A slider that cannot reach the system volume is disabled and says why.
void showVolumeReachable(Ui::VelumixClass& form, const SystemVolumeResult& volume)
{
    const bool noServer = volume.failedStep == QLatin1String("connect");
    const QString why = volume.ok()
                            ? QString()
                            : QString::fromUtf8(noServer ? kNoSoundServerTip : kNoOutputDeviceTip);
    for (QSlider* slider : {form.Slider_Voice1, form.Slider_Voice1_2}) {
        slider->setEnabled(volume.ok());
        slider->setToolTip(why);
    }
}

} // namespace

void Velumix::setupVolumeControls()
{
    m_systemVolume = new SystemVolume(this);
    const auto readSystemVolume = [this] {
        const SystemVolumeResult volume = m_systemVolume->getSystemVolume();
        showVolumeReachable(ui, volume);
        if (volume.ok())
            showSystemVolume(volume.percent);
        else
            reportVolumeFailure(volume);
    };
    readSystemVolume();
    connect(m_systemVolume, &SystemVolume::serverAvailabilityChanged, this, readSystemVolume);
    // The reconnect gives up after a while; a person coming back to the
    // window is the next moment worth looking for a sound server again.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this, readSystemVolume](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive && !ui.Slider_Voice1->isEnabled())
                    readSystemVolume();
            });
    connect(ui.Slider_Voice1, &QSlider::valueChanged, this,
            [this](int percent) { userMovedVolumeSlider(percent, ui.textEdit); });
    connect(ui.Slider_Voice1_2, &QSlider::valueChanged, this,
            [this](int percent) { userMovedVolumeSlider(percent, ui.textEdit_2); });
    // Changes made elsewhere only move the sliders; they are never written back.
    connect(m_systemVolume, &SystemVolume::systemVolumeChanged, this, &Velumix::showSystemVolume);

    usbHidSend_SetMicVolume(kMicrophoneStartLevel);
    ui.Slider_Voice1_3->setValue(kMicrophoneStartLevel);
    ui.textEdit_3->setText(QString::number(kMicrophoneStartLevel));
    connect(ui.Slider_Voice1_3, &QSlider::valueChanged, this, &Velumix::setMicrophoneVolume);
}

void Velumix::showSystemVolume(int percent)
{
    for (QSlider* slider : {ui.Slider_Voice1, ui.Slider_Voice1_2}) {
        const QSignalBlocker quiet(slider);
        slider->setValue(percent);
    }
    for (QTextEdit* text : {ui.textEdit, ui.textEdit_2})
        text->setText(QString::number(percent));
}

void Velumix::userMovedVolumeSlider(int percent, QTextEdit* text)
{
    const SystemVolumeResult result = m_systemVolume->setSystemVolume(percent);
    if (!result.ok())
        reportVolumeFailure(result);
    text->setText(QString::number(percent));
    showSystemVolume(percent); // the other page's slider follows at once
}

void Velumix::setMicrophoneVolume(int level)
{
    usbHidSend_SetMicVolume(level);
    ui.textEdit_3->setText(QString::number(level));
    announce("mic-level", {{"level", level}});
}

void Velumix::switchNoiseCancellation(bool on, const char* function)
{
    usbHidSend_SetAlgorithmSwitch(1, 0, on ? 1 : 2, 0);
    traceLog("MicENC Switch", on ? "Open ENC" : "CLose ENC", "Velumix", function, __LINE__);
}

void Velumix::On_Button_MousePressEvent()
{
    switchNoiseCancellation(true, "On_Button_MousePressEvent");
    ui.pushButton_3->setStyleSheet(kInactiveOffStyle);
    ui.pushButton_2->setStyleSheet(kActiveOnStyle);
    ui.pushButton_2->raise();
}

void Velumix::Off_Button_MousePressEvent()
{
    switchNoiseCancellation(false, "Off_Button_MousePressEvent");
    ui.pushButton_2->setStyleSheet(kInactiveOnStyle);
    ui.pushButton_3->setStyleSheet(kActiveOffStyle);
    ui.pushButton_3->raise();
}

void Velumix::on_CheckBox_MicENC_Clicked()
{
    const bool on = ui.checkBox_MicENC->isChecked();
    switchNoiseCancellation(on, "on_CheckBox_MicENC_Clicked");
    announce("noise-cancellation", {{"on", on}});
}

// Not connected: the headset's own volume is never set by the program.
void Velumix::set_Value(int) {}
void Velumix::set_Value2(int) {}
