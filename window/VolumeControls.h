#pragma once
// The system volume sliders of both sound pages: they follow the sound
// server's volume, set it when moved, and are disabled with the reason as
// their tooltip while no sound server or output can be reached.

#include <QObject>

namespace Ui {
class VelumixClass;
}
class QTextEdit;
class SystemVolume;

class VolumeControls : public QObject
{
    Q_OBJECT

public:
    VolumeControls(Ui::VelumixClass& form, QObject* parent);

    SystemVolume& systemVolume() { return *m_systemVolume; }

private:
    void readSystemVolume();
    void showSystemVolume(int percent);
    void userMovedSlider(int percent, QTextEdit* text);

    Ui::VelumixClass& m_form;
    SystemVolume* m_systemVolume;
};
