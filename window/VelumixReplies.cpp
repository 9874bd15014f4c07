// What the window does with the headset's replies: the page that fits the
// reported state, a new unit's own configuration, the tabs the headset lacks,
// and the algorithm switch after an equaliser upload.

#include "Velumix.h"

#include "ConfigNames.h"
#include "MessageBox.h"
#include "Styles.h"
#include "UsbHidOperation.h"
#include "WindowDiagnostics.h"

#include <QLoggingCategory>
#include <QScopedValueRollback>

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
    emit replyHandled();
}

void Velumix::showHeadsetCapabilities()
{
    debugLine("SLOT::Read 20 Cmd!");
    m_sampleRateHz = frame::sampleRateHz(replyState.sampleRateCode);
    updateResponseCurves(); // drawn at the rate the headset filters at
    if (replyState.stereoTabFlag == 0)
        ui.tabWidget->setTabEnabled(kStereoTab, false);
    if (replyState.surroundTabFlag == 0 && m_headsetModel != 1) {
        ui.tabWidget->setCurrentIndex(kStereoTab);
        emit ui.tabWidget->tabBarClicked(kStereoTab);
        ui.tabWidget->setTabEnabled(kSurroundTab, false);
    }
}

// Once the high bands are acknowledged, the headset is told which processing
// the page's equaliser belongs to.
void Velumix::finishEqualiserUpload()
{
    debugLine("SLOT::Read 21 Cmd!");
    if (replyState.peqAckFirst != 5 || replyState.peqAckLast != 9)
        return;
    if (m_currentPage == kSurroundPageShown)
        usbHidSend_SetAlgorithmSwitch(1, 1, 0, m_headsetModel == 1 ? 1 : 0);
    else if (m_currentPage == kStereoPageShown)
        usbHidSend_SetAlgorithmSwitch(1, 0, 0, 1);
    replyState.peqAckFirst = 0;
    replyState.peqAckLast = 0;
}

void Velumix::followHeadsetStatus(int iCmdType)
{
    const SoundPage reported = iCmdType == StatusSurround ? SoundPage::Surround : SoundPage::Stereo;
    const DeviceIdentity identity = replyState.deviceIdentity;
    m_reportedPage = reported;
    m_identityKnown = true;
    // The first unit of a run always counts as a change, whatever identity it
    // reports, so that its configuration is loaded.
    const bool newUnit = m_identitySeen != 1 || identity != m_knownDeviceIdentity;
    // Selecting the page re-applies its mode, so a new unit's own slots and
    // configuration must be in place first.
    if (newUnit)
        loadUnitConfiguration(identity);
    const int tab = page(reported).tab;
    ui.tabWidget->setCurrentIndex(tab);
    on_TabWidget_Clicked(tab);
    qCDebug(lcWindow) << ui.tabWidget->currentIndex();
    debugLine("SLOT::Read 32 Cmd!");
    if (!newUnit)
        return;
    // The reported page stays: its saved mode or else its Standard preset.
    setDeviceUserParameter(reported);
    if (!m_savedModeRestored)
        selectStandardPreset(reported);
    if (m_identitySeen == 1) {
        ui.pushButton_9->setStyleSheet(styles::headsetPictureButton(linkState.connectedProductId));
        showMessageBox(QMessageBox::Information, "prompt", "Device Change!");
    } else {
        m_identitySeen = 1;
    }
}

// Everything the window kept of the previous unit is replaced from the new
// unit's own file; until setDeviceUserParameter() takes the unit's record,
// its presets are unknown, so re-applying a page sends nothing.
void Velumix::loadUnitConfiguration(const DeviceIdentity& identity)
{
    debugLine("***** Device Change! *****");
    m_knownDeviceIdentity = identity;
    QJsonObject unit = connectedProduct();
    unit.insert("identity", identityToHex(identity));
    announce("unit", unit);
    m_currentDeviceConfig = ConfigRecord{};
    buildConfigFilePaths();
    ensureUserFile();
    getUserJsonFile();
    loadCustomSlots();
}

void Velumix::keepFirmwareVersion(const QString& version)
{
    m_firmwareVersion = version;
}

QRadioButton* Velumix::standardPresetRadio(SoundPage page)
{
    return page == SoundPage::Surround ? ui.radioButton_Surround_ZUVOStandard
                                       : ui.radioButton_Stereo_ZUVOStandard;
}

// A unit whose file names no mode of the reported page starts on that page's
// standard preset. The file keeps its saved mode: the person chose nothing.
void Velumix::selectStandardPreset(SoundPage page)
{
    const QScopedValueRollback<bool> windowSelects(m_windowSelectsMode, true);
    if (page == SoundPage::Stereo) {
        ui.tabWidget->setCurrentIndex(kStereoTab);
        on_TabWidget_Clicked(kStereoTab);
    }
    standardPresetRadio(page)->click();
}
