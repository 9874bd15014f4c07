// The five custom modes of each sound page: choosing, adding, copying,
// renaming, saving and deleting them.

#include "Velumix.h"

#include "ConfigReader.h"
#include "GainText.h"
#include "MessageBox.h"
#include "ModeLookup.h"
#include "PageView.h"
#include "Styles.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"

#include <QButtonGroup>
#include <QLoggingCategory>
#include <QScopedValueRollback>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {

const QString kNewModeName = QStringLiteral("New Equalizer");

// What each slot's selection writes to the trace log.
const char* const kSelectionTrace[2][kCustomSlotCount] = {
    {"Stereo CustomOne", "Stereo CustomTwo", "Stereo CustomThree", "Stereo CustomFour",
     "Stereo CustomFive"},
    {"Surround CustomOne", "Stereo CustomTwo", "Stereo CustomThree", "Stereo CustomFour",
     "Stereo CustomFive"},
};
const char* const kSelectionFunction[2][kCustomSlotCount] = {
    {"on_RadioButton_Stereo_CustomOne_Clicked", "on_RadioButton_Stereo_CustomTwo_Clicked",
     "on_RadioButton_Stereo_CustomThree_Clicked", "on_RadioButton_Stereo_CustomFour_Clicked",
     "on_RadioButton_Stereo_CustomFive_Clicked"},
    {"on_RadioButton_Surround_CustomOne_Clicked", "on_RadioButton_Surround_CustomTwo_Clicked",
     "on_RadioButton_Surround_CustomThree_Clicked", "on_RadioButton_Surround_CustomFour_Clicked",
     "on_RadioButton_Surround_CustomFive_Clicked"},
};

void greyOut(QPushButton* button)
{
    button->setEnabled(false);
    button->setStyleSheet(styles::kEditButtonIdle);
}

} // namespace

void Velumix::selectCustomSlot(SoundPage page, int slot)
{
    const PageView view = this->page(page);
    QRadioButton* radio = view.customRadios[slot];
    const bool surround = page == SoundPage::Surround;
    view.currentCustomValid = false;
    if (surround) {
        greyOut(view.resetButton);
        greyOut(view.saveButton);
    }
    view.copyButtons[slot]->show();
    view.deleteButtons[slot]->show();
    radio->show();
    view.nameBox->setText(radio->text());
    view.nameBox->setEnabled(true);
    if (!surround) {
        greyOut(view.resetButton);
        greyOut(view.saveButton);
    }
    traceLog("mode Clicked", kSelectionTrace[int(page)][slot], "Velumix",
             kSelectionFunction[int(page)][slot], __LINE__);
    if (!radio->isChecked())
        return;
    view.selectionKind = view.customSelected;
    view.selectedSlot = view.slotNumber(slot);
    ui.lineEdit_CustomName->setText(radio->text());
    showEditControls(page, true);
    m_qstrCurrentAlgorithm = view.algorithm;
    m_qstrCurrentMode = "custom";
    m_qstrCurrentName = radio->text();
    const CustomRecord& record = view.slotRecords[slot];
    if (record.parameter.isEmpty())
        return;
    const QStringList fields = record.parameter.split(',');
    for (int band = 0; band < kBandCount; ++band)
        view.gainTexts[band] = band < fields.size() ? fields[band].trimmed() : QString();
    view.currentCustom = record;
    view.currentCustomValid = true;
    applyGainTexts(page, view.gainTexts);
    sendPEQParameter(int(page), customSlotModeIndex(page, slot, m_headsetModel));
    recordChosenMode(view.algorithm, "custom", radio->text());
    announceMode(page);
}

void Velumix::on_RadioButton_Surround_CustomOne_Clicked()
{
    selectCustomSlot(SoundPage::Surround, 0);
}
void Velumix::on_RadioButton_Surround_CustomTwo_Clicked()
{
    selectCustomSlot(SoundPage::Surround, 1);
}
void Velumix::on_RadioButton_Surround_CustomThree_Clicked()
{
    selectCustomSlot(SoundPage::Surround, 2);
}
void Velumix::on_RadioButton_Surround_CustomFour_Clicked()
{
    selectCustomSlot(SoundPage::Surround, 3);
}
void Velumix::on_RadioButton_Surround_CustomFive_Clicked()
{
    selectCustomSlot(SoundPage::Surround, 4);
}
void Velumix::on_RadioButton_Stereo_CustomOne_Clicked()
{
    selectCustomSlot(SoundPage::Stereo, 0);
}
void Velumix::on_RadioButton_Stereo_CustomTwo_Clicked()
{
    selectCustomSlot(SoundPage::Stereo, 1);
}
void Velumix::on_RadioButton_Stereo_CustomThree_Clicked()
{
    selectCustomSlot(SoundPage::Stereo, 2);
}
void Velumix::on_RadioButton_Stereo_CustomFour_Clicked()
{
    selectCustomSlot(SoundPage::Stereo, 3);
}
void Velumix::on_RadioButton_Stereo_CustomFive_Clicked()
{
    selectCustomSlot(SoundPage::Stereo, 4);
}

// "New Equalizer", or with the first number from 2 on that makes it a name
// no other mode of the page has.
QString Velumix::unusedNewModeName(SoundPage page) const
{
    QString name = kNewModeName;
    for (int number = 2; customNameTaken(m_customModeList, page, name); ++number)
        name = QStringLiteral("%1 %2").arg(kNewModeName).arg(number);
    return name;
}

// A new slot after the page's last one, selected and saved at once. Blank
// (`parameter` empty) takes ten zero gains, a copy the sliders' gains.
void Velumix::addCustomSlot(SoundPage page, const QString& parameter, const QString& name)
{
    const PageView view = this->page(page);
    if (view.customCount >= kCustomSlotCount)
        return;
    const int slot = view.customCount++;
    view.clearButton->setEnabled(true);
    greyOut(view.resetButton);
    greyOut(view.saveButton);
    view.frame->show();
    view.customRadios[slot]->show();
    const QString slotName = name.isEmpty() ? unusedNewModeName(page) : name;
    view.slotRecords[slot] = {view.algorithm, slotName, parameter};
    view.customRadios[slot]->setText(slotName);
    {
        // The new slot is not in the user file before Save, which saves it
        // as the current mode too.
        const QScopedValueRollback<bool> windowSelects(m_windowSelectsMode, true);
        view.customRadios[slot]->click();
    }
    on_PushButton_CustomSave_Clicked();
}

void Velumix::on_PushButton_Surround_CustomAdd_Clicked()
{
    addCustomSlot(SoundPage::Surround, gainsToText(EqGains{}));
}

void Velumix::on_PushButton_Stereo_CustomAdd_Clicked()
{
    addCustomSlot(SoundPage::Stereo, gainsToText(EqGains{}));
}

void Velumix::copyIntoNewSlot(SoundPage page)
{
    const PageView view = this->page(page);
    if (view.customCount >= kCustomSlotCount)
        return;
    // Shows the page's custom list, rebuilt from the saved modes.
    view.customize->click();
    addCustomSlot(page, gainsToText(readSliders(page)));
}

void Velumix::on_PushButton_Surround_CustomCopy_Clicked()
{
    copyIntoNewSlot(SoundPage::Surround);
}

void Velumix::on_PushButton_Stereo_CustomCopy_Clicked()
{
    copyIntoNewSlot(SoundPage::Stereo);
}

// The new name shows on the slot's button at once; it is stored with Save.
void Velumix::on_LineEdit_CustomizeName_Changed(QString name)
{
    const std::optional<SoundPage> page = soundPageShown(m_currentPage);
    if (!page)
        return;
    const PageView view = this->page(*page);
    for (QRadioButton* radio : view.customRadios) {
        if (!radio->isChecked())
            continue;
        radio->setText(name);
        view.saveButton->setEnabled(true);
        view.saveButton->setStyleSheet(styles::kSaveButtonActive);
        return;
    }
}

void Velumix::on_PushButton_CustomSave_Clicked()
{
    clearStagingCustomRecord();
    const std::optional<SoundPage> page = soundPageShown(m_currentPage);
    if (page && refuseTakenName(*page))
        return;
    std::optional<QString> savedName;
    if (page) {
        // Only the saved page's current record changes; the other page keeps
        // what its Reset restores.
        this->page(*page).currentCustomValid = false;
        savedName = saveCustomPage(*page);
    }
    if (!saveCustomModes()) {
        ui.Slider_Voice1_2->setFocus();
        return;
    }
    // The saved mode is the slot just saved, under its new name, on its own
    // page; a save without a selected slot leaves the saved mode alone.
    if (page && savedName) {
        saveCurrentMode(kPageNumbers[int(*page)].algorithm, "custom", *savedName);
        announceMode(*page); // a rename
    }
    ui.Slider_Voice1_2->setFocus();
}

// Stores the custom mode list in the user file. When that fails, the person
// is told which file and why, and the list goes back to what the file holds,
// so that no mode looks saved that a restart would not bring back.
bool Velumix::saveCustomModes()
{
    QString errorText;
    if (writeJsonFile("customMode", &errorText))
        return true;
    showMessageBox(QMessageBox::Critical, "Error", "Json File Save Error!", errorText);
    const ConfigReadResult stored = readConfigFile(m_qstrCurrentUserFileName);
    m_customModeList = stored.ok() ? stored.customModes : QList<CustomRecord>();
    loadCustomSlots();
    return false;
}

// A selected slot may not be saved under a new name that another mode of
// the page has: the person is told, the slot shows its saved name again and
// nothing is stored. Names that were alike before (an older file) stay.
bool Velumix::refuseTakenName(SoundPage page)
{
    const PageView view = this->page(page);
    const int slot = view.selectedIndex();
    if (slot < 0)
        return false;
    const QString name = view.nameBox->text();
    const QString savedName = view.slotRecords[slot].name;
    if (name == savedName || !customNameTaken(m_customModeList, page, name, slot))
        return false;
    showMessageBox(QMessageBox::Warning, "warning",
                   tr("Another custom mode of this page is already called \"%1\". Please "
                      "choose another name.")
                       .arg(name));
    view.nameBox->setText(savedName);
    view.customRadios[slot]->setText(savedName);
    return true;
}

// The current mode, in the window and as the saved mode of the user file.
void Velumix::saveCurrentMode(const QString& algorithm, const QString& mode, const QString& name)
{
    m_qstrCurrentAlgorithm = algorithm;
    m_qstrCurrentMode = mode;
    m_qstrCurrentName = name;
    m_currentDeviceConfig.algorithm = algorithm;
    m_currentDeviceConfig.mode = mode;
    m_currentDeviceConfig.name = name;
    writeJsonFile("currentMode");
}

// The mode a person chose and the headset received becomes the saved mode,
// so that a replug or a restart shows and sends it again. The file is
// written only when the saved mode changes.
void Velumix::recordChosenMode(const QString& algorithm, const QString& mode, const QString& name)
{
    if (m_windowSelectsMode || linkState.deviceOpened == 0)
        return;
    const ConfigRecord& saved = m_currentDeviceConfig;
    if (saved.algorithm == algorithm && saved.mode == mode && saved.name == name)
        return;
    saveCurrentMode(algorithm, mode, name);
}

// After a delete the saved mode must still name a mode that exists: when the
// page's saved custom mode went, the page's first slot (selected by the
// delete) or, with none left, its Standard preset takes its place.
void Velumix::keepSavedModeExisting(SoundPage page)
{
    const PageView view = this->page(page);
    const ConfigRecord& saved = m_currentDeviceConfig;
    if (saved.mode != "custom" || saved.algorithm != QLatin1String(view.algorithm))
        return;
    for (const CustomRecord& record : m_customModeList)
        if (record.algorithm == saved.algorithm && record.name == saved.name)
            return;
    if (view.customCount > 0)
        saveCurrentMode(view.algorithm, "custom", view.slotRecords[0].name);
    else
        saveCurrentMode(view.algorithm, "default", standardPreset(page).storedName);
}

// Stores the page's slots in the custom mode list; returns the name the
// selected slot was saved under, if a slot is selected.
std::optional<QString> Velumix::saveCustomPage(SoundPage page)
{
    const PageView view = this->page(page);
    for (CustomRecord& record : view.slotRecords)
        record.algorithm = view.algorithm;
    const QString name = view.nameBox->text();
    std::optional<QString> savedName;
    if (const int slot = view.selectedIndex(); slot >= 0) {
        CustomRecord& record = view.slotRecords[slot];
        record.name = name;
        view.customRadios[slot]->setText(name);
        record.parameter = gainsToText(readSliders(page));
        view.currentCustom = record;
        view.currentCustomValid = true;
        ui.lineEdit_CustomName->setText(name);
        savedName = name;
    }
    replacePageModes(page, view.slotRecords, view.customCount);
    traceLog("Save Mode", view.saveTraceStep, "Velumix", "on_PushButton_CustomSave_Clicked",
             __LINE__);
    return savedName;
}

// The page's modes move behind those of the other page, in slot order. Modes
// of the page that no slot shows (a file may hold more than five) stay in
// the list, after the slots.
void Velumix::replacePageModes(SoundPage page, const std::array<CustomRecord, 5>& records,
                               int count)
{
    const PageView view = this->page(page);
    const QString algorithm = view.algorithm;
    int& slotBacked = view.slotBackedRecords;
    QList<CustomRecord> others;
    QList<CustomRecord> unshown;
    int pageRecords = 0;
    for (const CustomRecord& record : m_customModeList) {
        if (record.algorithm != algorithm)
            others.append(record);
        else if (pageRecords++ >= slotBacked)
            unshown.append(record);
    }
    slotBacked = std::min(count, kCustomSlotCount);
    for (int slot = 0; slot < slotBacked; ++slot)
        others.append(records[slot]);
    m_customModeList = others + unshown;
}

void Velumix::requestCustomDelete(SoundPage page)
{
    const PageView view = this->page(page);
    if (view.customCount == 0 || view.selectedSlot == kNoCustomSlot)
        return;
    for (QWidget* widget : view.confirmStrip)
        widget->show();
}

void Velumix::on_PushButton_Surround_CustomClear_Clicked()
{
    requestCustomDelete(SoundPage::Surround);
}

void Velumix::on_PushButton_Stereo_CustomClear_Clicked()
{
    requestCustomDelete(SoundPage::Stereo);
}

void Velumix::closeDeleteConfirmation(SoundPage page)
{
    for (QWidget* widget : this->page(page).confirmStrip)
        widget->hide();
}

void Velumix::Red_Dialog2()
{
    closeDeleteConfirmation(SoundPage::Surround);
}

void Velumix::Red_Dialog2_STEREO()
{
    closeDeleteConfirmation(SoundPage::Stereo);
}

void Velumix::Red_Dialog()
{
    deleteSelectedSlot(SoundPage::Surround);
}

void Velumix::Red_Dialog_STEREO()
{
    deleteSelectedSlot(SoundPage::Stereo);
}

// Removes the selected slot k: the page's k-th mode of the list goes, the
// slots after it move up and slot 1 becomes the selected one.
void Velumix::deleteSelectedSlot(SoundPage page)
{
    const PageView view = this->page(page);
    for (int slot = 0; slot < kCustomSlotCount; ++slot) {
        view.copyButtons[slot]->hide();
        view.deleteButtons[slot]->hide();
    }
    const int selected = view.selectedIndex();
    if (view.customCount == 0 || selected < 0) {
        if (page == SoundPage::Surround)
            qCDebug(lcWindow).noquote() << QStringLiteral("空删除");
        return;
    }
    removePageMode(page, selected);
    closeDeleteConfirmation(page);
    if (!saveCustomModes())
        return;
    shiftCustomSlots(page);
    --view.customCount;
    refreshCustomSlotTexts();
    keepSavedModeExisting(page);
    if (view.customCount > 0)
        return;
    view.selectedSlot = kNoCustomSlot;
    view.clearButton->setEnabled(false);
    view.customGroup->setExclusive(false);
    view.customRadios[0]->setChecked(false);
    view.customGroup->setExclusive(true);
    view.customRadios[0]->hide();
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui.lineEdit_CustomName, ui.pushButton_CustomReset, ui.pushButton_CustomSave,
             ui.pushButton_CustomReset2, ui.pushButton_CustomSave2})
        widget->hide();
    announceMode(page);
}

// Removes the mode shown in slot `index` from the list.
void Velumix::removePageMode(SoundPage page, int index)
{
    const PageView view = this->page(page);
    const QString algorithm = view.algorithm;
    int& slotBacked = view.slotBackedRecords;
    if (index >= slotBacked)
        return;
    int pageRecord = 0;
    for (auto it = m_customModeList.begin(); it != m_customModeList.end(); ++it) {
        if (it->algorithm == algorithm && pageRecord++ == index) {
            m_customModeList.erase(it);
            --slotBacked;
            return;
        }
    }
}

void Velumix::shiftCustomSlots(SoundPage page)
{
    const PageView view = this->page(page);
    const int count = view.customCount;
    const int selected = view.selectedIndex();
    if (selected < 0 || count <= selected)
        return;
    for (int slot = selected; slot < count - 1; ++slot)
        moveCustomRecord(view.slotRecords[slot], view.slotRecords[slot + 1]);
    view.slotRecords[count - 1] = CustomRecord{};
    if (count != 1) // the page's last slot is hidden by the deletion itself
        view.customRadios[count - 1]->hide();
    refreshCustomSlotTexts();
    // The delete itself keeps the saved mode existing (keepSavedModeExisting).
    const QScopedValueRollback<bool> windowSelects(m_windowSelectsMode, true);
    view.customRadios[0]->click();
}

void Velumix::moveCustomRecord(CustomRecord& target, CustomRecord& source)
{
    target = source;
    source = CustomRecord{};
}

void Velumix::refreshCustomSlotTexts()
{
    for (SoundPage page : {SoundPage::Stereo, SoundPage::Surround}) {
        const PageView view = this->page(page);
        for (int slot = 0; slot < kCustomSlotCount; ++slot)
            view.customRadios[slot]->setText(view.slotRecords[slot].name);
    }
}

// After a device change: the first five modes of each page fill its slots,
// the other slots are emptied, and the page starts on its Standard preset
// with no slot selected, as nothing of another unit may stay behind.
void Velumix::loadCustomSlots()
{
    for (SoundPage page : {SoundPage::Stereo, SoundPage::Surround}) {
        const PageView view = this->page(page);
        int slot = 0;
        for (const CustomRecord& record : m_customModeList) {
            if (record.algorithm != view.algorithm || slot == kCustomSlotCount)
                continue;
            view.slotRecords[slot] = record;
            view.customRadios[slot]->setText(record.name);
            ++slot;
        }
        view.slotBackedRecords = slot;
        view.customCount = slot;
        for (; slot < kCustomSlotCount; ++slot) {
            view.slotRecords[slot] = CustomRecord{};
            view.customRadios[slot]->setText(QStringLiteral("Customize -%1").arg(slot + 1));
        }
        clearCustomSelection(page);
    }
}

void Velumix::clearCustomSelection(SoundPage page)
{
    const PageView view = this->page(page);
    view.selectionKind = view.presetSelected;
    view.selectedSlot = kNoCustomSlot;
    view.currentCustom = CustomRecord{};
    view.currentCustomValid = false;
    view.gainTexts = {};
    m_changePending[int(page)] = false;
    view.customGroup->setExclusive(false);
    for (QRadioButton* radio : view.customRadios) {
        radio->setChecked(false);
        radio->hide();
    }
    view.customGroup->setExclusive(true);
    for (int slot = 0; slot < kCustomSlotCount; ++slot) {
        view.copyButtons[slot]->hide();
        view.deleteButtons[slot]->hide();
    }
    for (QWidget* widget :
         {static_cast<QWidget*>(view.addButton), static_cast<QWidget*>(view.clearButton),
          static_cast<QWidget*>(view.frame)})
        widget->hide();
    closeDeleteConfirmation(page);
    // Checked without a click: the page's selection sends it when it is shown.
    standardPresetRadio(page)->setChecked(true);
    showEditControls(page, false);
    announceMode(page);
}
