#include "MicrophonePane.h"

#include "Look.h"
#include "ui_Velumix.h"

#include <QSignalBlocker>

namespace {

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

} // namespace

MicrophonePane::MicrophonePane(Ui::VelumixClass& form, HeadsetSession& session, QObject* parent)
    : QObject(parent), m_form(form), m_session(session)
{
    for (QPushButton* half : {form.pushButton_2, form.pushButton_3})
        half->setCheckable(true);
    connect(form.Slider_Voice1_3, &QSlider::valueChanged, this,
            [this](int level) { m_session.setMicLevel(level); });
    connect(&session, &HeadsetSession::micLevelChanged, this, &MicrophonePane::show);
    connect(&session, &HeadsetSession::noiseCancellationChanged, this, &MicrophonePane::show);
    connect(&session, &HeadsetSession::unplugged, this, &MicrophonePane::show);
    show();
}

void MicrophonePane::switchNoiseCancellation(bool on)
{
    m_session.setNoiseCancellation(on);
    show();
}

void MicrophonePane::followCheckBox()
{
    switchNoiseCancellation(m_form.checkBox_MicENC->isChecked());
}

void MicrophonePane::show()
{
    if (const std::optional<int> level = m_session.micLevel()) {
        const QSignalBlocker quiet(m_form.Slider_Voice1_3);
        m_form.Slider_Voice1_3->setValue(*level);
        m_form.textEdit_3->setText(QString::number(*level));
    }
    const std::optional<bool> on = m_session.noiseCancellation();
    m_form.checkBox_MicENC->setChecked(on.value_or(false));
    // The halves are toggles, checked when the headset's switch is theirs.
    m_form.pushButton_2->setChecked(on == true);
    m_form.pushButton_3->setChecked(on == false);
    look::setStyleSheet(m_form.pushButton_2, on == true ? kActiveOnStyle : kInactiveOnStyle);
    look::setStyleSheet(m_form.pushButton_3, on == false ? kActiveOffStyle : kInactiveOffStyle);
    // The active one lies on top of its rounded neighbour.
    if (on)
        (*on ? m_form.pushButton_2 : m_form.pushButton_3)->raise();
}
