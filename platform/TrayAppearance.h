#pragma once
// Tells when a system tray may have appeared, without looking again and
// again. On X11 a tray announces itself with a MANAGER client message to the
// root window, which the display connection receives anyway; a client
// message is rare, so each one is reason enough to ask again. Elsewhere no
// such message comes and nothing is ever reported.

#include <QAbstractNativeEventFilter>
#include <QObject>

class TrayAppearance : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit TrayAppearance(QObject* parent = nullptr);
    ~TrayAppearance() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, long* result) override;

signals:
    // Queued: Qt has handled the message itself by then, so a question put
    // to it sees the new tray.
    void mayHaveAppeared();
};
