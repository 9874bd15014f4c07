#include "TrayAppearance.h"

#include <QCoreApplication>

#include <xcb/xcb.h>

TrayAppearance::TrayAppearance(QObject* parent) : QObject(parent)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

TrayAppearance::~TrayAppearance()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool TrayAppearance::nativeEventFilter(const QByteArray& eventType, void* message, long*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The high bit marks an event sent by another client, as a tray's is.
    if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE)
        QMetaObject::invokeMethod(this, &TrayAppearance::mayHaveAppeared, Qt::QueuedConnection);
    return false;
}
