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
#include "WindowDiagnostics.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QThread>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {

constexpr int kMicrophoneArrivalLevel = 100;
// Right after the kernel reports a headset, udev may not yet have given the
// user access to it: an open refused then is tried again a few times.
constexpr int kOpenRetryIntervalMs = 250;
constexpr int kOpenRetries = 8;

const char* const kHeadsetPictures[] = {
    nullptr,
    "border-image: url(:/headset/pic/headset/Halden.png);",
    "border-image: url(:/headset/pic/headset/Morvik.png);",
    "border-image: url(:/headset/pic/headset/Tessaly.png);",
};

// Models without a number of their own still ship with a picture: the same
// headset the main screen's picture button shows for them.
struct ProductPicture
{
    quint16 productId;
    const char* styleSheet;
};
const ProductPicture kProductPictures[] = {
    {0x0F51, "border-image: url(:/headset/pic/headset/Rasko.png);"},
    {0x4130, "border-image: url(:/headset/pic/headset/Sorel.png);"},
};

const char* productPictureOf(quint16 productId)
{
    for (const ProductPicture& picture : kProductPictures)
        if (picture.productId == productId)
            return picture.styleSheet;
    return nullptr;
}

void showBuiltInPicture(Ui::VelumixClass& form, const char* styleSheet)
{
    form.label_Spectrum->show();
    form.widget_Spectrum->hide();
    form.label_Spectrum->setStyleSheet(styleSheet);
}

} // namespace

void Velumix::registerDevice()
{
    debugLine("***** Register Device! *****");
    m_hotplugSource = linkContext().hotplugSource;
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
    // The HID library's reason, e.g. "Permission denied".
    const QString reason = QString::fromStdString(usbHidLastOpenError());
    showMessageBox(
        QMessageBox::Warning, "warning",
        tr("The headset at %1 cannot be opened.\n\n%2If your user may not use it, install "
           "the udev rule that comes with Velumix (70-velumix.rules) into "
           "/etc/udev/rules.d, then plug the headset in again.")
            .arg(path, reason.isEmpty() ? QString() : reason + ".\n\n"));
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
    if (linkState.deviceHandle && linkState.deviceOpened == 1 &&
        vendorDigits == headsetVendorIdDigits())
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
    forgetHeadsetReports();
    announce("unplugged");
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
    announce("plugged", connectedProduct());
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
    // A reply waits in the event queue: its link may have closed, and the
    // next one opened, before the window gets to it. Each connection carries
    // its link's generation, and a reply of a closed link is dropped.
    const quint64 generation = m_linkGeneration;
    connect(
        m_readerThread, &MyThread::sendReadAudio, this,
        [this, generation](int iCmdType) {
            if (generation == m_linkGeneration)
                on_SLOTReadAudio(iCmdType);
        },
        Qt::QueuedConnection);
    connect(
        m_readerThread, &MyThread::sendVersion, this,
        [this, generation](const QString& version) {
            if (generation == m_linkGeneration)
                keepFirmwareVersion(version);
        },
        Qt::QueuedConnection);
    usbHidSend_ReadAudioAndStatus();
}

// Never close the device under a running read: the loop leaves its read
// within one pass once the flag is cleared.
void Velumix::stopReaderThread()
{
    if (!m_readerThread)
        return;
    m_readerThread->running = 0;
    m_readerThread->wait();
    ++m_linkGeneration; // what this reader passed on is now stale
    delete m_readerThread;
    m_readerThread = nullptr;
}

void Velumix::showHeadsetPicture()
{
    if (m_headsetModel != 0) {
        showBuiltInPicture(ui, kHeadsetPictures[m_headsetModel]);
        return;
    }
    const QString photoFolder = m_qstrAppDirPath + "/photo/";
    debugLine(photoFolder);
    const QString photo =
        photoFolder + QStringLiteral("%1.png").arg(linkState.connectedProductId, 4, 16, QChar('0'));
    // A picture put beside the program comes first; it may replace a shipped one.
    const char* shipped = productPictureOf(linkState.connectedProductId);
    if (shipped && !QFileInfo::exists(photo)) {
        showBuiltInPicture(ui, shipped);
        return;
    }
    const QString styleSheet = QStringLiteral("border-image:url(%1)").arg(photo);
    debugLine(styleSheet);
    ui.label_Spectrum->setStyleSheet(styleSheet);
}
