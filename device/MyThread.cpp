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
        // The read itself waits; only a failed one, which returns at once,
        // needs a pause so that the loop does not spin.
        if (bytesRead < 0)
            msleep(1);
    }
}
