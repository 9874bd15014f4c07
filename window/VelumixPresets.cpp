// The built-in presets of both pages, the "Customize" entries, and restoring
// the last selection of a recognised headset.

#include "Velumix.h"

#include "BuiltInPresets.h"
#include "GainText.h"
#include "MessageBox.h"
#include "PageView.h"
#include "Styles.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"
#include "WidgetTables.h"
#include "WindowDiagnostics.h"

#include <QButtonGroup>
#include <QLoggingCategory>
#include <QScopedValueRollback>

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

// What a page's "Customize" entry writes to the trace log, by SoundPage.
struct CustomizeTrace
{
    const char* function;
    const char* step;
};
const CustomizeTrace kCustomizeTrace[] = {
    {"on_RadioButton_Stereo_Customize_Clicked", "Stereo Customize"},
    {"on_RadioButton_Surround_Customize_Clicked", "Surround Customize"},
};

} // namespace

void Velumix::selectPreset(int preset)
{
    const PresetButton& member = presetButton(preset);
    const BuiltInPreset& settings = builtInPresets()[preset];
    const PageView view = page(settings.page);
    if (view.page == SoundPage::Stereo) {
        view.nameBox->setText(settings.nameBoxText);
        view.saveButton->setStyleSheet(styles::kEditButtonIdle);
        view.resetButton->setStyleSheet(styles::kEditButtonIdle);
    }
    trace("mode Clicked", member.clickTrace, member.function, __LINE__);
    if (!(ui.*member.button)->isChecked())
        return;
    view.selectionKind = view.presetSelected;
    for (QWidget* widget :
         {static_cast<QWidget*>(view.addButton), static_cast<QWidget*>(view.clearButton),
          static_cast<QWidget*>(view.frame)})
        widget->hide();
    for (QRadioButton* slot : view.customRadios)
        slot->hide();
    if (member.button == &Ui::VelumixClass::radioButton_Surround_ZUVOStandard)
        ui.pushButton_16->show();
    view.nameBox->setText(settings.nameBoxText);
    view.nameBox->setEnabled(false);
    showEditControls(view.page, false);
    if (linkState.deviceOpened == 0) {
        showMessageBox(QMessageBox::Warning, "warning", "Please Insert Device!");
        return;
    }
    if (!applyPresetEntry(settings))
        return;
    m_qstrCurrentMode = "default";
    m_qstrCurrentName = settings.storedName;
    trace(view.modeTraceTag, member.modeTrace, member.function, __LINE__);
    sendPEQParameter(int(view.page), presetModeIndex(settings, m_headsetModel));
    recordChosenMode(view.algorithm, m_qstrCurrentMode, m_qstrCurrentName);
    announceMode(view.page);
}

QRadioButton* Velumix::presetRadio(const BuiltInPreset& preset)
{
    const auto& presets = builtInPresets();
    for (size_t i = 0; i < presets.size(); ++i)
        if (presets[i].page == preset.page && presets[i].entryIndex == preset.entryIndex)
            return ui.*kPresetButtons[i].button;
    return nullptr;
}

// Puts the preset's gains from the headset's configuration on the sliders.
// False when the configuration has no entry for it.
bool Velumix::applyPresetEntry(const BuiltInPreset& preset)
{
    const QStringList& entries = page(preset.page).presetEntries;
    if (preset.entryIndex >= entries.size())
        return false;
    const ParsedPresetEntry entry = parsePresetEntry(entries[preset.entryIndex]);
    if (preset.page == SoundPage::Stereo && preset.entryIndex == 0)
        qCDebug(lcWindow).noquote() << entries[preset.entryIndex];
    const EqGains gains = headsetGains(entry.gains);
    const auto sliders = widgets(ui, bandSliders(preset.page));
    for (int band = 0; band < entry.gains.size(); ++band)
        sliders[band]->setValue(gains[band]);
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
    const PageView view = this->page(page);
    const CustomizeTrace& log = kCustomizeTrace[int(page)];
    const bool surround = page == SoundPage::Surround;
    for (QPushButton* button : {view.resetButton, view.saveButton}) {
        button->setEnabled(false);
        button->setStyleSheet(styles::kEditButtonIdle);
    }
    if (!surround)
        view.nameBox->setText("Customize");
    trace("mode Clicked", log.step, log.function, __LINE__);
    if (!view.customize->isChecked())
        return;
    view.selectionKind = view.customSelected;
    view.addButton->show();
    view.clearButton->show();
    if (surround) {
        view.nameBox->setText("Customize");
        view.nameBox->setEnabled(false);
    }
    const int selectedSlot = view.selectedIndex();
    if (selectedSlot >= 0)
        showEditControls(page, true);
    trace(view.modeTraceTag, "Custom Mode", log.function, __LINE__);
    if (selectedSlot >= 0)
        view.customRadios[selectedSlot]->show();
    rebuildCustomSlots(page);
    announceMode(page);
}

// Fills the page's five customRadios from the custom modes of the user file. Records
// beyond the fifth stay in the list and the file but are not shown.
void Velumix::rebuildCustomSlots(SoundPage page)
{
    const PageView view = this->page(page);
    int count = 0;
    for (const CustomRecord& record : m_customModeList) {
        if (record.algorithm != view.algorithm || count == kCustomSlotCount)
            continue;
        view.slotRecords[count] = record;
        view.customRadios[count]->show();
        view.customRadios[count]->setText(record.name);
        ++count;
    }
    view.customCount = count;
    view.slotBackedRecords = count;
    view.frame->show();
    if (count == kCustomSlotCount)
        return;
    for (int slot = count; slot < kCustomSlotCount; ++slot)
        view.customRadios[slot]->hide();
    for (int slot = 0; slot < kCustomSlotCount; ++slot) {
        view.copyButtons[slot]->hide();
        view.deleteButtons[slot]->hide();
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

void Velumix::setDeviceUserParameter(std::optional<SoundPage> shownPage)
{
    qCDebug(lcWindow).noquote() << "***** Set Device User Parameter!";
    // Restoring the saved mode is not a new choice.
    const QScopedValueRollback<bool> windowSelects(m_windowSelectsMode, true);
    m_currentDeviceConfig = ConfigRecord{};
    m_savedModeRestored = false;
    for (const ConfigRecord& record : m_userDeviceList) {
        if (record.vendorId != linkState.connectedVendorId ||
            record.productId != linkState.connectedProductId ||
            record.identity != m_knownDeviceIdentity)
            continue;
        m_currentDeviceConfig = record;
        const bool namesAPageMode = record.mode == "default" || record.mode == "custom";
        if (shownPage && !(namesAPageMode && soundPageOfAlgorithm(record.algorithm) == shownPage))
            continue;
        m_savedModeRestored = restoreSavedMode(record) || m_savedModeRestored;
    }
}

// Selects the mode a user file names; false when it names none that exists.
bool Velumix::restoreSavedMode(const ConfigRecord& record)
{
    const std::optional<SoundPage> page = soundPageOfAlgorithm(record.algorithm);
    if (record.mode == "default") {
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
    return page && restoreCustomMode(*page, record.name);
}

bool Velumix::restoreCustomMode(SoundPage page, const QString& name)
{
    const PageView view = this->page(page);
    view.selectionKind = view.customSelected;
    if (m_customModeList.isEmpty())
        return false;
    ui.tabWidget->setCurrentIndex(view.tab);
    emit ui.tabWidget->tabBarClicked(view.tab);
    view.customize->click();
    for (int slot = 0; slot < kCustomSlotCount; ++slot) {
        if (view.customRadios[slot]->text() == name) {
            view.customRadios[slot]->click();
            view.selectedSlot = view.slotNumber(slot);
            return true;
        }
    }
    return false;
}
