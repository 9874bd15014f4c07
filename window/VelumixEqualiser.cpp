// The band sliders of both pages and sending them to the headset as PEQ
// frames, with the throttle for live edits of a custom mode.

#include "Velumix.h"

#include "BuiltInPresets.h"
#include "GainText.h"
#include "Styles.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"
#include "WidgetTables.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

EqGains stereoGains{};
EqGains surroundGains{};

namespace {

EqGains sliderValues(const Ui::VelumixClass& ui, const WidgetTable<QSlider, kBandCount>& table)
{
    EqGains gains{};
    const auto sliders = widgets(ui, table);
    for (int band = 0; band < kBandCount; ++band)
        gains[band] = sliders[band]->value();
    return gains;
}

} // namespace

const WidgetTable<QSlider, kBandCount>& Velumix::bandSliders(SoundPage page)
{
    return page == SoundPage::Surround ? kSurroundBandSliders : kStereoBandSliders;
}

// The page's sliders become its gains to send.
const EqGains& Velumix::readSliders(SoundPage page)
{
    EqGains& gains = this->page(page).sentGains;
    gains = sliderValues(ui, bandSliders(page));
    return gains;
}

void Velumix::readStereoSliders()
{
    readSliders(SoundPage::Stereo);
}

void Velumix::readSurroundSliders()
{
    readSliders(SoundPage::Surround);
}

void Velumix::sendPEQParameter(int page, int modeIndex)
{
    traceLog("send PEQ Param", "start", "Velumix", "sendPEQParameter", __LINE__);
    if (page != int(SoundPage::Surround) && page != int(SoundPage::Stereo))
        return;
    const EqGains& gains = readSliders(SoundPage(page));
    usbHidSend_PeqPair(1, modeIndex, gains);
    m_qstrCurrentAlgorithm = kPageNumbers[page].algorithm;
    m_sentModeIndex[page] = modeIndex;
    updateResponseCurve(SoundPage(page)); // the mode's Q may differ
}

std::optional<int> Velumix::editedCustomModeIndex(SoundPage page) const
{
    if (page == SoundPage::Stereo) {
        const int slot = m_stereoCustomSlot - kStereoFirstSlot;
        if (m_stereoSelectionKind != kStereoCustomSelected || slot < 0 || slot >= kCustomSlotCount)
            return std::nullopt;
        return customSlotModeIndex(page, slot, m_headsetModel, CustomSlotUse::Edited);
    }
    const int slot = m_surroundCustomSlot - kSurroundFirstSlot;
    if (m_surroundSelectionKind != kSurroundCustomSelected || slot < 0 || slot >= kCustomSlotCount)
        return std::nullopt;
    return customSlotModeIndex(page, slot, m_headsetModel, CustomSlotUse::Edited);
}

void Velumix::on_VerticalSlider_Stereo_ValueChange()
{
    bandSliderChanged(SoundPage::Stereo);
}

void Velumix::on_VerticalSlider_Surround_ValueChange()
{
    bandSliderChanged(SoundPage::Surround);
}

// Live edits of a custom mode reach the headset at most once per throttle
// period: the first change goes at once, later ones wait for the period's
// end and then go with the sliders' latest positions.
void Velumix::bandSliderChanged(SoundPage page)
{
    if (m_programmaticUpdate || !editedCustomModeIndex(page))
        return;
    if (m_throttleTimer.isActive()) {
        m_changePending[int(page)] = true;
        return;
    }
    sendPEQParameter(int(page), *editedCustomModeIndex(page));
    m_throttleTimer.start();
}

void Velumix::sendThrottleTick()
{
    bool sent = false;
    for (SoundPage page : {SoundPage::Stereo, SoundPage::Surround}) {
        if (!std::exchange(m_changePending[int(page)], false))
            continue;
        if (const auto modeIndex = editedCustomModeIndex(page)) {
            qCDebug(lcWindow).noquote() << "1111111111 value change";
            sendPEQParameter(int(page), *modeIndex);
            sent = true;
        }
    }
    if (sent)
        m_throttleTimer.start();
}

void Velumix::on_VerticalSlider_Surround_Stereo_SlideMoved()
{
    for (QPushButton* save : {ui.pushButton_CustomSave, ui.pushButton_CustomSave2}) {
        save->setEnabled(true);
        save->setStyleSheet(styles::kSaveButtonActive);
    }
    for (QPushButton* reset : {ui.pushButton_CustomReset, ui.pushButton_CustomReset2}) {
        reset->setEnabled(true);
        reset->setStyleSheet(styles::kResetButtonActive);
    }
}

void Velumix::applyGainTexts(SoundPage page, const std::array<QString, kBandCount>& texts)
{
    m_programmaticUpdate = 1;
    const auto sliders = widgets(ui, bandSliders(page));
    for (int band = 0; band < kBandCount; ++band)
        sliders[band]->setValue(texts[band].toInt(nullptr, 10)); // not a number: 0
    m_programmaticUpdate = 0;
}

void Velumix::applySurroundGainTexts()
{
    applyGainTexts(SoundPage::Surround, m_surroundGainTexts);
}

void Velumix::applyStereoGainTexts()
{
    applyGainTexts(SoundPage::Stereo, m_stereoGainTexts);
}

// Reset moves the sliders like the user would, so the restored gains are sent.
void Velumix::restoreCustomGains(SoundPage page)
{
    const PageView view = this->page(page);
    const EqGains gains = view.currentCustomValid
                              ? headsetGains(gainsFromText(view.currentCustom.parameter))
                              : EqGains{};
    const auto sliders = widgets(ui, bandSliders(page));
    for (int band = 0; band < kBandCount; ++band)
        sliders[band]->setValue(gains[band]);
}

void Velumix::restoreStereoCustomGains()
{
    restoreCustomGains(SoundPage::Stereo);
}

void Velumix::restoreSurroundCustomGains()
{
    restoreCustomGains(SoundPage::Surround);
}

void Velumix::showEditControls(SoundPage page, bool on)
{
    // While the surround page shows its speaker view, its Reset and Save stay hidden.
    const bool surroundButtons = !(page == SoundPage::Surround && surroundSubViewActive);
    ui.lineEdit_CustomName->setVisible(on);
    ui.pushButton_CustomReset->setVisible(on && surroundButtons);
    ui.pushButton_CustomSave->setVisible(on && surroundButtons);
    ui.pushButton_CustomReset2->setVisible(on);
    ui.pushButton_CustomSave2->setVisible(on);
    for (QSlider* slider : widgets(ui, bandSliders(page)))
        slider->setEnabled(on);
}

void Velumix::showStereoEditControls(bool on)
{
    showEditControls(SoundPage::Stereo, on);
}

void Velumix::showSurroundEditControls(bool on)
{
    showEditControls(SoundPage::Surround, on);
}

// Not connected to any signal; kept for the slot table.
void Velumix::on_VerticalSlider_30_ActionTriggered_T(int)
{
    qCDebug(lcWindow).noquote()
        << "*************************************************action Triggered";
}
