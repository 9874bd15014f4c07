#pragma once
// SIGTERM (the session ending, systemd, kill), SIGINT (Ctrl+C in a terminal)
// and SIGHUP (the terminal closed) end the program through its event loop, as
// its Exit menu does, instead of killing it on the spot: the window shuts the
// headset link down and the single-instance guard removes its shared memory
// segment and socket file, which a killed program leaves behind.
//
// A signal handler may do next to nothing, so it writes the signal's number
// into a socket pair; a notifier on the other end emits received() in the
// event loop. Waiting on it costs nothing while no signal comes.

#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    // Catches the three signals from now on. One object per process; when it
    // cannot make its socket pair, the signals keep their default action.
    explicit TerminationSignals(QObject* parent = nullptr);
    // Gives the signals their default action back.
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
