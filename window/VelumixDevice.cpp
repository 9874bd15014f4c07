// The headset coming and going: the hot-plug source, bringing the link up,
// the reader thread, tearing the link down on removal and the headset picture.

#include "Velumix.h"

#include "BuiltInPresets.h"
#include "HotplugSource.h"
#include "MessageBox.h"
#include "MyThread.h"
#include "Styles.h"
#include "TraceLog.h"
#include "UdevHotplugSource.h"
#include "UsbHidOperation.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QThread>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {

constexpr int kCommandGapMs = 10;
constexpr int kMicrophoneArrivalLevel = 100;
// Right after the kernel reports a headset, udev may not yet have given the
// user access to it: an open refused then is tried again a few times.
constexpr int kOpenRetryIntervalMs = 250;
constexpr int kOpenRetries = 8;

HotplugSource* hotplugSourceInUse = nullptr;

const char* const kHeadsetPictures[] = {
    nullptr,
    "border-image: url(:/headset/pic/headset/Halden.png);",
    "border-image: url(:/headset/pic/headset/Morvik.png);",
    "border-image: url(:/headset/pic/headset/Tessaly.png);",
};

void debugLine(const QString& text)
{
    qCDebug(lcWindow).noquote() << text;
}

} // namespace

void useHotplugSource(HotplugSource* source)
{
    hotplugSourceInUse = source;
}

void Velumix::registerDevice()
{
    debugLine("***** Register Device! *****");
    m_hotplugSource = hotplugSourceInUse;
    if (!m_hotplugSource)
        m_hotplugSource = new UdevHotplugSource(UdevHotplugSource::Monitor::Automatic, this);
    connect(m_hotplugSource, &HotplugSource::deviceArrived, this, &Velumix::deviceArrived);
    connect(m_hotplugSource, &HotplugSource::deviceRemoved, this, &Velumix::deviceRemoved);
    const bool registered = m_hotplugSource->start();
    debugLine(registered ? "Register SuccessFul!" : "Register Fail!");
    traceLog("Register Device", registered ? "true" : "false", "Velumix", "registerDevice",
             __LINE__);
}

void Velumix::deviceArrived(const QString& interfacePath)
{
    debugLine("------------------------------");
    debugLine(QStringLiteral("插入设备(name):") + interfacePath);
    traceLog("DeviceInsert", "true", "Velumix", "nativeEvent", __LINE__);
    m_openRetriesLeft = kOpenRetries;
    takeOverHeadset();
}

void Velumix::takeOverHeadset()
{
    const int result = InitDeviceInput();
    if (result == 0) {
        usbHidSend_SetMicVolume(kMicrophoneArrivalLevel);
        ui.Slider_Voice1_3->setValue(kMicrophoneArrivalLevel);
        ui.textEdit_3->setText(QString::number(kMicrophoneArrivalLevel));
        return;
    }
    if (result == -1)
        retryRefusedOpen();
}

void Velumix::retryRefusedOpen()
{
    if (m_openRetriesLeft-- > 0) {
        m_openRetryTimer.start(kOpenRetryIntervalMs);
        return;
    }
    const QString path = QString::fromStdString(usbHidLastMatchedPath());
    showMessageBox(QMessageBox::Warning, "warning",
                   tr("The headset at %1 cannot be opened.\n\nIf your user may not use it, install "
                      "the udev rule that comes with Velumix (70-velumix.rules) into "
                      "/etc/udev/rules.d, then plug the headset in again.")
                       .arg(path));
}

void Velumix::deviceRemoved(const QString& interfacePath)
{
    debugLine("------------------------------");
    debugLine(interfacePath);
    const QString vendorDigits = vendorDigitsOfInterfacePath(interfacePath);
    debugLine(vendorDigits);
    debugLine(QStringLiteral("移除设备(name)：") + interfacePath);
    traceLog("DeviceRemove", "true", "Velumix", "nativeEvent", __LINE__);
    // Any interface of the vendor going away closes the link, once.
    if (linkState.deviceHandle && linkState.deviceOpened == 1 && vendorDigits == "3206")
        closeLink();
    InitDeviceInput();
}

void Velumix::closeLink()
{
    debugLine("Close Thread!");
    m_openRetryTimer.stop();
    stopReaderThread();
    usbHidCloseDevice();
    setPanelMode(1);
    ui.tabWidget->setTabEnabled(kSurroundTab, true);
    ui.tabWidget->setTabEnabled(kStereoTab, true);
    m_headsetModel = 0;
    ui.label_Spectrum->setStyleSheet(QString());
    ui.widget_Spectrum->hide();
    clearGainTexts();
    dropUnsavedEdits();
}

// A removal stores nothing: unsaved slider moves and renames of the selected
// custom modes are dropped, so that the unit gets its saved modes back when
// it returns, and the user file stays as the person last saved it.
void Velumix::dropUnsavedEdits()
{
    m_throttleTimer.stop();
    m_changePending = {};
    for (SoundPage page : {SoundPage::Stereo, SoundPage::Surround}) {
        const PageView view = this->page(page);
        if (view.selectionKind == view.customSelected && view.selectedIndex() >= 0 &&
            view.currentCustomValid) {
            m_programmaticUpdate = 1; // the link is gone; nothing to send
            restoreCustomGains(page);
            m_programmaticUpdate = 0;
        }
        for (QPushButton* button : {view.resetButton, view.saveButton}) {
            button->setEnabled(false);
            button->setStyleSheet(styles::kEditButtonIdle);
        }
    }
    refreshCustomSlotTexts();
}

int Velumix::InitDeviceInput()
{
    const int result = usbHidOpenDevice();
    if (result != 0) {
        traceLog("OpenDevice", result == -1 ? "false" : "noDevice", "Velumix", "InitDeviceInput",
                 __LINE__);
        return result;
    }
    if (isHidden()) {
        show();
        m_trayIcon->show();
        initTrayActions();
        initTrayMenu();
    }
    bringUpLink("InitDeviceInput");
    return 0;
}

// What every successful open leads to, at start-up and on arrival alike.
void Velumix::bringUpLink(const char* function)
{
    setPanelMode(2);
    traceLog("OpenDevice", "true", "Velumix", function, __LINE__);
    m_headsetModel = headsetModelOf(linkState.connectedProductId);
    startReaderThread();
    debugLine("Create Thread!");
    showHeadsetPicture();
}

void Velumix::openHeadsetAtStart()
{
    const int result = usbHidOpenDevice();
    if (result != 0) {
        traceLog("OpenDevice", result == -1 ? "false" : "noDevice", "Velumix", "InitMyDialog",
                 __LINE__);
        return;
    }
    const char* stars = "******************** OpenDevice ********************";
    debugLine(stars);
    qCDebug(lcWindow) << linkState.connectedProductId;
    debugLine(stars);
    bringUpLink("InitMyDialog");
}

void Velumix::startReaderThread()
{
    m_readerThread = new MyThread;
    m_readerThread->running = 1;
    m_readerThread->start(QThread::InheritPriority);
    debugLine("***** Start Connect One! *****");
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
    if (m_headsetModel != 0) {
        ui.label_Spectrum->show();
        ui.widget_Spectrum->hide();
        ui.label_Spectrum->setStyleSheet(kHeadsetPictures[m_headsetModel]);
        return;
    }
    const QString photoFolder = m_qstrAppDirPath + "/photo/";
    debugLine(photoFolder);
    const QString styleSheet = QStringLiteral("border-image:url(%1%2.png)")
                                   .arg(photoFolder)
                                   .arg(linkState.connectedProductId, 4, 16, QChar('0'));
    debugLine(styleSheet);
    ui.label_Spectrum->setStyleSheet(styleSheet);
}
