#include "MyThread.h"

#include "UsbHidOperation.h"

namespace {
constexpr int kReadTimeoutMs = 50;
}

void MyThread::run()
{
    qCDebug(lcDevice).noquote() << "thread... ... ... ...";
    linkState.rxReport.fill(0);
    linkState.rxFrame.fill(0);
    for (;;) {
        if (running == 0) {
            qCDebug(lcDevice).noquote() << "Thread Break... ...";
            return;
        }
        if (!linkState.readHandle)
            return;
        const int bytesRead = usbHidReadReport(kReadTimeoutMs);
        const int type = usbHidDispatchReply(bytesRead);
        if (type == VersionReply)
            emit sendVersion(QString::fromStdString(frame::versionText(linkState.rxFrame.data())));
        else if (type != NoSignal)
            emit sendReadAudio(type);
        msleep(1);
    }
}
