#include "VolumeControls.h"

#include "SystemVolume.h"
#include "WindowDiagnostics.h"
#include "ui_Velumix.h"

#include <QApplication>
#include <QSignalBlocker>

namespace {

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

VolumeControls::VolumeControls(Ui::VelumixClass& form, QObject* parent)
    : QObject(parent), m_form(form), m_systemVolume(new SystemVolume(this))
{
    readSystemVolume();
    connect(m_systemVolume, &SystemVolume::serverAvailabilityChanged, this,
            &VolumeControls::readSystemVolume);
    // The reconnect to a server named explicitly gives up after a while; a
    // person coming back to the window is the next moment worth looking for
    // a sound server again.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive && !m_form.Slider_Voice1->isEnabled())
                    readSystemVolume();
            });
    connect(form.Slider_Voice1, &QSlider::valueChanged, this,
            [this](int percent) { userMovedSlider(percent, m_form.textEdit); });
    connect(form.Slider_Voice1_2, &QSlider::valueChanged, this,
            [this](int percent) { userMovedSlider(percent, m_form.textEdit_2); });
    // Changes made elsewhere only move the sliders; they are never written back.
    connect(m_systemVolume, &SystemVolume::systemVolumeChanged, this,
            &VolumeControls::showSystemVolume);
}

void VolumeControls::readSystemVolume()
{
    const SystemVolumeResult volume = m_systemVolume->getSystemVolume();
    showVolumeReachable(m_form, volume);
    if (volume.ok())
        showSystemVolume(volume.percent);
    else
        reportVolumeFailure(volume);
}

void VolumeControls::showSystemVolume(int percent)
{
    for (QSlider* slider : {m_form.Slider_Voice1, m_form.Slider_Voice1_2}) {
        const QSignalBlocker quiet(slider);
        slider->setValue(percent);
    }
    for (QTextEdit* text : {m_form.textEdit, m_form.textEdit_2})
        text->setText(QString::number(percent));
}

void VolumeControls::userMovedSlider(int percent, QTextEdit* text)
{
    const SystemVolumeResult result = m_systemVolume->setSystemVolume(percent);
    if (!result.ok())
        reportVolumeFailure(result);
    text->setText(QString::number(percent));
    showSystemVolume(percent); // the other page's slider follows at once
}
