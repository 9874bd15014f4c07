// The headset link as the window sees it: bringing it up, the reader thread
// and the headset picture.

#include "Velumix.h"

#include "MyThread.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"

#include <QLoggingCategory>
#include <QThread>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {

constexpr int kCommandGapMs = 10;

struct HeadsetModel
{
    uint16_t productId;
    int model;
    const char* picture;
};
const HeadsetModel kHeadsetModels[] = {
    {0x1054, 1, "border-image: url(:/headset/pic/headset/Halden.png);"},
    {0x1029, 2, "border-image: url(:/headset/pic/headset/Morvik.png);"},
    {0x104D, 3, "border-image: url(:/headset/pic/headset/Tessaly.png);"},
};

const HeadsetModel* modelOf(uint16_t productId)
{
    for (const HeadsetModel& model : kHeadsetModels) {
        if (model.productId == productId)
            return &model;
    }
    return nullptr;
}

} // namespace

void Velumix::openHeadsetAtStart()
{
    const int result = usbHidOpenDevice();
    if (result != 0) {
        traceLog("OpenDevice", result == -1 ? "false" : "noDevice", "Velumix", "InitMyDialog",
                 __LINE__);
        return;
    }
    setPanelMode(2);
    traceLog("OpenDevice", "true", "Velumix", "InitMyDialog", __LINE__);
    const char* stars = "******************** OpenDevice ********************";
    qCDebug(lcWindow).noquote() << stars;
    qCDebug(lcWindow) << linkState.connectedProductId;
    qCDebug(lcWindow).noquote() << stars;
    const HeadsetModel* model = modelOf(linkState.connectedProductId);
    m_headsetModel = model ? model->model : 0;
    startReaderThread();
    showHeadsetPicture();
}

void Velumix::startReaderThread()
{
    m_readerThread = new MyThread;
    m_readerThread->running = 1;
    m_readerThread->start(QThread::InheritPriority);
    qCDebug(lcWindow).noquote() << "***** Start Connect One! *****";
    connect(m_readerThread, &MyThread::sendReadAudio, this, &Velumix::on_SLOTReadAudio,
            Qt::QueuedConnection);
    QThread::msleep(kCommandGapMs);
    usbHidSend_ReadAudio();
    QThread::msleep(kCommandGapMs);
    usbHidSend_ReadStatus();
}

// Never close the device under a running read: the loop leaves its read
// within one pass once the flag is cleared.
void Velumix::stopReaderThread()
{
    if (!m_readerThread)
        return;
    m_readerThread->running = 0;
    m_readerThread->wait();
    delete m_readerThread;
    m_readerThread = nullptr;
}

void Velumix::showHeadsetPicture()
{
    if (const HeadsetModel* model = modelOf(linkState.connectedProductId)) {
        ui.label_Spectrum->show();
        ui.widget_Spectrum->hide();
        ui.label_Spectrum->setStyleSheet(model->picture);
        return;
    }
    const QString photoFolder = m_qstrAppDirPath + "/photo/";
    qCDebug(lcWindow).noquote() << photoFolder;
    const QString styleSheet = QStringLiteral("border-image:url(%1%2.png)")
                                   .arg(photoFolder)
                                   .arg(linkState.connectedProductId, 4, 16, QChar('0'));
    qCDebug(lcWindow).noquote() << styleSheet;
    ui.label_Spectrum->setStyleSheet(styleSheet);
}
