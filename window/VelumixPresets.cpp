// The built-in presets of both pages, the "Customize" entries, and restoring
// the last selection of a recognised headset.

#include "Velumix.h"

#include "BuiltInPresets.h"
#include "GainText.h"
#include "MessageBox.h"
#include "PageWidgets.h"
#include "Styles.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"
#include "WidgetTables.h"
#include "WindowDiagnostics.h"

#include <QButtonGroup>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {

// A preset radio button and what its selection writes to the trace log.
struct PresetButton
{
    QRadioButton* Ui::VelumixClass::*button;
    const char* function;
    const char* clickTrace;
    const char* modeTrace;
};

// In the order of builtInPresets().
const PresetButton kPresetButtons[] = {
    {&Ui::VelumixClass::radioButton_Surround_DeepBas, "on_RadioButton_Surround_DeepBass_Clicked",
     "Surround DeepBass", "Deep Bass"},
    {&Ui::VelumixClass::radioButton_Surround_FPS, "on_RadioButton_Surround_FPS_Clicked",
     "Surround FPS", "FPS"},
    {&Ui::VelumixClass::radioButton_Surround_Moba, "on_RadioButton_Surround_Moba_Clicked",
     "Surround Moba", "MOBA"},
    {&Ui::VelumixClass::radioButton_Surround_ZUVOStandard,
     "on_RadioButton_Surround_ZUVOStandard_Clicked", "Surround KAVRO Standard",
     "Plindar  Standard"},
    {&Ui::VelumixClass::radioButton_Stereo_Pop, "on_RadioButton_Stereo_Pop_Clicked", "Stereo Pop",
     "Pop"},
    {&Ui::VelumixClass::radioButton_Stereo_RockRoll, "on_RadioButton_Stereo_RockRoll_Clicked",
     "Stereo RockRoll", "Rack&Roll"},
    {&Ui::VelumixClass::radioButton_Stereo_DeepBass, "on_RadioButton_Stereo_DeepBass_Clicked",
     "Stereo DeepBass", "Deep Bass"},
    {&Ui::VelumixClass::radioButton_Stereo_Jazz, "on_RadioButton_Stereo_Jazz_Clicked",
     "Stereo Jazz", "Jazz"},
    {&Ui::VelumixClass::radioButton_Stereo_Classic, "on_RadioButton_Stereo_Classic_Clicked",
     "Stereo Classic", "Classic"},
    {&Ui::VelumixClass::radioButton_Stereo_ZUVOStandard,
     "on_RadioButton_Stereo_ZUVOStandard_Clicked", "Stereo Plindar Standard", "Plindar  Standard"},
};

const PresetButton& presetButton(int preset)
{
    return kPresetButtons[preset];
}

} // namespace

Velumix::PageWidgets Velumix::pageWidgets(SoundPage page)
{
    if (page == SoundPage::Surround)
        return {page,
                ui.lineEdit_23,
                ui.pushButton_Surround_CustomAdd,
                ui.pushButton_Surround_CustomClear,
                ui.groupBox_Surround,
                ui.radioButton_Surround_Customize,
                m_surroundCustomGroup,
                widgets(ui, kSurroundCustomRadios),
                widgets(ui, kSurroundCustomCopyButtons),
                widgets(ui, kSurroundCustomDeleteButtons),
                ui.pushButton_CustomReset,
                ui.pushButton_CustomSave,
                {ui.label_33, ui.pushButton_6, ui.pushButton_7}};
    return {page,
            ui.lineEdit_15,
            ui.pushButton_Stereo_CustomAdd,
            ui.pushButton_Stereo_CustomClear,
            ui.groupBox_Stereo,
            ui.radioButton_Stereo_Customize,
            m_stereoCustomGroup,
            widgets(ui, kStereoCustomRadios),
            widgets(ui, kStereoCustomCopyButtons),
            widgets(ui, kStereoCustomDeleteButtons),
            ui.pushButton_CustomReset2,
            ui.pushButton_CustomSave2,
            {ui.label_34, ui.pushButton_10, ui.pushButton_11}};
}

void Velumix::selectPreset(int preset)
{
    const PresetButton& member = presetButton(preset);
    const BuiltInPreset& settings = builtInPresets()[preset];
    const PageWidgets page = pageWidgets(settings.page);
    const bool surround = settings.page == SoundPage::Surround;
    if (!surround) {
        page.nameBox->setText(settings.nameBoxText);
        page.saveButton->setStyleSheet(styles::kEditButtonIdle);
        page.resetButton->setStyleSheet(styles::kEditButtonIdle);
    }
    trace("mode Clicked", member.clickTrace, member.function, __LINE__);
    if (!(ui.*member.button)->isChecked())
        return;
    (surround ? m_surroundSelectionKind : m_stereoSelectionKind) = surround ? 101 : 201;
    for (QWidget* widget :
         {static_cast<QWidget*>(page.addButton), static_cast<QWidget*>(page.clearButton),
          static_cast<QWidget*>(page.frame)})
        widget->hide();
    for (QRadioButton* slot : page.customRadios)
        slot->hide();
    if (member.button == &Ui::VelumixClass::radioButton_Surround_ZUVOStandard)
        ui.pushButton_16->show();
    page.nameBox->setText(settings.nameBoxText);
    page.nameBox->setEnabled(false);
    showEditControls(settings.page, false);
    if (linkState.deviceOpened == 0) {
        showMessageBox(QMessageBox::Warning, "warning", "Please Insert Device!");
        return;
    }
    if (!applyPresetEntry(settings))
        return;
    m_qstrCurrentMode = "default";
    m_qstrCurrentName = settings.storedName;
    trace(surround ? "Stereo Mode" : "Surround Mode", member.modeTrace, member.function, __LINE__);
    sendPEQParameter(int(settings.page), presetModeIndex(settings, m_headsetModel));
}

// Puts the preset's gains from the headset's configuration on the sliders.
// False when the configuration has no entry for it.
bool Velumix::applyPresetEntry(const BuiltInPreset& preset)
{
    const QStringList& entries = preset.page == SoundPage::Surround
                                     ? m_currentDeviceConfig.surroundPresets
                                     : m_currentDeviceConfig.stereoPresets;
    if (preset.entryIndex >= entries.size())
        return false;
    const ParsedPresetEntry entry = parsePresetEntry(entries[preset.entryIndex]);
    if (preset.page == SoundPage::Stereo && preset.entryIndex == 0)
        qCDebug(lcWindow).noquote() << entries[preset.entryIndex];
    const auto sliders = widgets(ui, bandSliders(preset.page));
    for (int band = 0; band < entry.gains.size(); ++band)
        sliders[band]->setValue(entry.gains[band]); // the slider clamps to -12..12
    return true;
}

void Velumix::on_RadioButton_Surround_DeepBass_Clicked()
{
    selectPreset(0);
}
void Velumix::on_RadioButton_Surround_FPS_Clicked()
{
    selectPreset(1);
}
void Velumix::on_RadioButton_Surround_Moba_Clicked()
{
    selectPreset(2);
}
void Velumix::on_RadioButton_Surround_ZUVOStandard_Clicked()
{
    selectPreset(3);
}
void Velumix::on_RadioButton_Stereo_Pop_Clicked()
{
    selectPreset(4);
}
void Velumix::on_RadioButton_Stereo_RockRoll_Clicked()
{
    selectPreset(5);
}
void Velumix::on_RadioButton_Stereo_DeepBass_Clicked()
{
    selectPreset(6);
}
void Velumix::on_RadioButton_Stereo_Jazz_Clicked()
{
    selectPreset(7);
}
void Velumix::on_RadioButton_Stereo_Classic_Clicked()
{
    selectPreset(8);
}
void Velumix::on_RadioButton_Stereo_ZUVOStandard_Clicked()
{
    selectPreset(9);
}

void Velumix::selectCustomize(SoundPage page)
{
    const PageWidgets area = pageWidgets(page);
    const bool surround = page == SoundPage::Surround;
    const char* function = surround ? "on_RadioButton_Surround_Customize_Clicked"
                                    : "on_RadioButton_Stereo_Customize_Clicked";
    for (QPushButton* button : {area.resetButton, area.saveButton}) {
        button->setEnabled(false);
        button->setStyleSheet(styles::kEditButtonIdle);
    }
    if (!surround)
        area.nameBox->setText("Customize");
    trace("mode Clicked", surround ? "Surround Customize" : "Stereo Customize", function, __LINE__);
    if (!area.customize->isChecked())
        return;
    (surround ? m_surroundSelectionKind : m_stereoSelectionKind) = surround ? 102 : 202;
    area.addButton->show();
    area.clearButton->show();
    if (surround) {
        area.nameBox->setText("Customize");
        area.nameBox->setEnabled(false);
    }
    const int selectedSlot = surround ? m_surroundCustomSlot - 21 : m_stereoCustomSlot - 41;
    const bool slotSelected = selectedSlot >= 0 && selectedSlot < 5;
    if (slotSelected)
        showEditControls(page, true);
    trace(surround ? "Stereo Mode" : "Surround Mode", "Custom Mode", function, __LINE__);
    if (slotSelected)
        area.customRadios[selectedSlot]->show();
    rebuildCustomSlots(page);
}

// Fills the page's five customRadios from the custom modes of the user file. Records
// beyond the fifth stay in the list and the file but are not shown.
void Velumix::rebuildCustomSlots(SoundPage page)
{
    const PageWidgets area = pageWidgets(page);
    const QString algorithm = page == SoundPage::Surround ? "Surround" : "Stereo";
    auto& slotRecords = page == SoundPage::Surround ? m_surroundCustomSlots : m_stereoCustomSlots;
    int count = 0;
    for (const CustomRecord& record : m_customModeList) {
        if (record.algorithm != algorithm || count == int(slotRecords.size()))
            continue;
        slotRecords[count] = record;
        area.customRadios[count]->show();
        area.customRadios[count]->setText(record.name);
        ++count;
    }
    (page == SoundPage::Surround ? m_surroundCustomCount : m_stereoCustomCount) = count;
    m_slotBackedRecords[int(page)] = count;
    area.frame->show();
    if (count == int(slotRecords.size()))
        return;
    for (int slot = count; slot < int(slotRecords.size()); ++slot)
        area.customRadios[slot]->hide();
    for (int slot = 0; slot < int(slotRecords.size()); ++slot) {
        area.copyButtons[slot]->hide();
        area.deleteButtons[slot]->hide();
    }
}

void Velumix::on_RadioButton_Surround_Customize_Clicked()
{
    selectCustomize(SoundPage::Surround);
}

void Velumix::on_RadioButton_Stereo_Customize_Clicked()
{
    selectCustomize(SoundPage::Stereo);
}

void Velumix::setDeviceUserParameter()
{
    qCDebug(lcWindow).noquote() << "***** Set Device User Parameter!";
    m_currentDeviceConfig = ConfigRecord{};
    m_savedModeRestored = false;
    for (const ConfigRecord& record : m_userDeviceList) {
        if (record.vendorId != linkState.connectedVendorId ||
            record.productId != linkState.connectedProductId ||
            record.identity != m_knownDeviceIdentity)
            continue;
        m_currentDeviceConfig = record;
        m_savedModeRestored = restoreSavedMode(record) || m_savedModeRestored;
    }
}

// Selects the mode a user file names; false when it names none that exists.
bool Velumix::restoreSavedMode(const ConfigRecord& record)
{
    if (record.mode == "default") {
        const std::optional<SoundPage> page = record.algorithm == "Surround" ? SoundPage::Surround
                                              : record.algorithm == "Stereo"
                                                  ? std::optional<SoundPage>(SoundPage::Stereo)
                                                  : std::nullopt;
        if (!page)
            return false;
        for (size_t i = 0; i < builtInPresets().size(); ++i) {
            if (builtInPresets()[i].page == *page &&
                record.name == builtInPresets()[i].storedName) {
                (ui.*kPresetButtons[i].button)->click();
                return true;
            }
        }
        return false;
    }
    if (record.mode != "custom") {
        ui.radioButton_Stereo_ZUVOStandard->click();
        ui.radioButton_Surround_ZUVOStandard->click();
        return true;
    }
    if (record.algorithm == "Surround")
        return restoreCustomMode(SoundPage::Surround, record.name);
    if (record.algorithm == "Stereo")
        return restoreCustomMode(SoundPage::Stereo, record.name);
    return false;
}

bool Velumix::restoreCustomMode(SoundPage page, const QString& name)
{
    const bool surround = page == SoundPage::Surround;
    (surround ? m_surroundSelectionKind : m_stereoSelectionKind) = surround ? 102 : 202;
    if (m_customModeList.isEmpty())
        return false;
    const int tab = surround ? 0 : 1;
    ui.tabWidget->setCurrentIndex(tab);
    emit ui.tabWidget->tabBarClicked(tab);
    (surround ? ui.radioButton_Surround_Customize : ui.radioButton_Stereo_Customize)->click();
    const PageWidgets area = pageWidgets(page);
    for (int slot = 0; slot < int(area.customRadios.size()); ++slot) {
        if (area.customRadios[slot]->text() == name) {
            area.customRadios[slot]->click();
            (surround ? m_surroundCustomSlot : m_stereoCustomSlot) = (surround ? 21 : 41) + slot;
            return true;
        }
    }
    return false;
}
