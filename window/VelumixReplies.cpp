// What the window does with the headset's replies: the page that fits the
// reported state, a new unit's own configuration, the tabs the headset lacks,
// and the algorithm switch after an equaliser upload.

#include "Velumix.h"

#include "MessageBox.h"
#include "Styles.h"
#include "UsbHidOperation.h"
#include "WindowDiagnostics.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

void Velumix::on_SLOTReadAudio(int iCmdType)
{
    debugLine("SLOT::Read Cmd!");
    switch (iCmdType) {
    case AudioReply:
        showHeadsetCapabilities();
        break;
    case PeqAcknowledged:
        finishEqualiserUpload();
        break;
    case StatusSurround:
    case StatusStereo:
        followHeadsetStatus(iCmdType);
        break;
    default:
        break;
    }
}

void Velumix::showHeadsetCapabilities()
{
    debugLine("SLOT::Read 20 Cmd!");
    if (replyState.stereoTabFlag == 0)
        ui.tabWidget->setTabEnabled(1, false);
    if (replyState.surroundTabFlag == 0 && m_headsetModel != 1) {
        ui.tabWidget->setCurrentIndex(1);
        emit ui.tabWidget->tabBarClicked(1);
        ui.tabWidget->setTabEnabled(0, false);
    }
}

// Once the high bands are acknowledged, the headset is told which processing
// the page's equaliser belongs to.
void Velumix::finishEqualiserUpload()
{
    debugLine("SLOT::Read 21 Cmd!");
    if (replyState.peqAckFirst != 5 || replyState.peqAckLast != 9)
        return;
    if (m_currentPage == 2)
        usbHidSend_SetAlgorithmSwitch(1, 1, 0, m_headsetModel == 1 ? 1 : 0);
    else if (m_currentPage == 1)
        usbHidSend_SetAlgorithmSwitch(1, 0, 0, 1);
    replyState.peqAckFirst = 0;
    replyState.peqAckLast = 0;
}

void Velumix::followHeadsetStatus(int iCmdType)
{
    const int tab = iCmdType == StatusSurround ? 0 : 1;
    ui.tabWidget->setCurrentIndex(tab);
    on_TabWidget_Clicked(tab);
    qCDebug(lcWindow) << ui.tabWidget->currentIndex();
    debugLine("SLOT::Read 32 Cmd!");
    const DeviceIdentity identity = replyState.deviceIdentity;
    // The first unit of a run always counts as a change, whatever identity it
    // reports, so that its configuration is loaded.
    if (m_identitySeen == 1 && identity == m_knownDeviceIdentity)
        return;
    debugLine("***** Device Change! *****");
    m_knownDeviceIdentity = identity;
    buildConfigFilePaths();
    ensureUserFile();
    getUserJsonFile();
    loadCustomSlots();
    setDeviceUserParameter();
    if (!m_savedModeRestored)
        selectStandardPreset(tab);
    if (m_identitySeen == 1) {
        ui.pushButton_9->setStyleSheet(styles::headsetPictureButton(linkState.connectedProductId));
        showMessageBox(QMessageBox::Information, "prompt", "Device Change!");
    } else {
        m_identitySeen = 1;
    }
}

// A unit whose file names no mode it can restore starts on the reported
// page's standard preset.
void Velumix::selectStandardPreset(int tab)
{
    if (tab == 0) {
        ui.radioButton_Surround_ZUVOStandard->click();
        return;
    }
    ui.tabWidget->setCurrentIndex(1);
    on_TabWidget_Clicked(1);
    ui.radioButton_Stereo_ZUVOStandard->click();
}
