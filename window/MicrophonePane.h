#pragma once
// The microphone page: the level slider with its number, and noise
// cancellation as the ON and OFF buttons and the check box. They show the
// session's microphone settings; noise cancellation looks neither on nor
// off until it has been set over the open link.

#include "HeadsetSession.h"

#include <QObject>

namespace Ui {
class VelumixClass;
}

class MicrophonePane : public QObject
{
    Q_OBJECT

public:
    MicrophonePane(Ui::VelumixClass& form, HeadsetSession& session, QObject* parent);

    void switchNoiseCancellation(bool on);
    // The check box was clicked: it asks for the state it now shows.
    void followCheckBox();
    void show();

private:
    Ui::VelumixClass& m_form;
    HeadsetSession& m_session;
};
