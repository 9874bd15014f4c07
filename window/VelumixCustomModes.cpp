// The five custom modes of each sound page: choosing, adding, copying,
// renaming, saving and deleting them.

#include "Velumix.h"

#include "GainText.h"
#include "PageWidgets.h"
#include "Styles.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"

#include <QButtonGroup>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {

constexpr int kSlotCount = 5;
const QString kNewModeName = QStringLiteral("New Equalizer");

// A page's custom-mode state in the window.
struct CustomState
{
    SoundPage page;
    QString algorithm;
    int firstSlotNumber; // 21 on the surround page, 41 on the stereo page
    std::array<CustomRecord, kSlotCount>& records;
    int& count;
    int& selectedSlot;
    int& selectionKind;
    int customKind;
    CustomRecord& current;
    bool& currentValid;
    std::array<QString, kBandCount>& gainTexts;

    // The selected slot as 0..4, or -1.
    int selectedIndex() const
    {
        const int index = selectedSlot - firstSlotNumber;
        return index >= 0 && index < kSlotCount ? index : -1;
    }
};

CustomState customState(Velumix& w, SoundPage page)
{
    if (page == SoundPage::Surround)
        return {page,
                "Surround",
                21,
                w.m_surroundCustomSlots,
                w.m_surroundCustomCount,
                w.m_surroundCustomSlot,
                w.m_surroundSelectionKind,
                102,
                w.m_surroundCurrentCustom,
                w.m_surroundCurrentCustomValid,
                w.m_surroundGainTexts};
    return {page,
            "Stereo",
            41,
            w.m_stereoCustomSlots,
            w.m_stereoCustomCount,
            w.m_stereoCustomSlot,
            w.m_stereoSelectionKind,
            202,
            w.m_stereoCurrentCustom,
            w.m_stereoCurrentCustomValid,
            w.m_stereoGainTexts};
}

// What each slot's selection writes to the trace log.
const char* const kSelectionTrace[2][kSlotCount] = {
    {"Stereo CustomOne", "Stereo CustomTwo", "Stereo CustomThree", "Stereo CustomFour",
     "Stereo CustomFive"},
    {"Surround CustomOne", "Stereo CustomTwo", "Stereo CustomThree", "Stereo CustomFour",
     "Stereo CustomFive"},
};
const char* const kSelectionFunction[2][kSlotCount] = {
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

std::optional<SoundPage> pageShown(int currentPage)
{
    if (currentPage == 2)
        return SoundPage::Surround;
    if (currentPage == 1)
        return SoundPage::Stereo;
    return std::nullopt;
}

} // namespace

void Velumix::selectCustomSlot(SoundPage page, int slot)
{
    const PageWidgets area = pageWidgets(page);
    CustomState state = customState(*this, page);
    QRadioButton* radio = area.customRadios[slot];
    const bool surround = page == SoundPage::Surround;
    state.currentValid = false;
    if (surround) {
        greyOut(area.resetButton);
        greyOut(area.saveButton);
    }
    area.copyButtons[slot]->show();
    area.deleteButtons[slot]->show();
    radio->show();
    area.nameBox->setText(radio->text());
    area.nameBox->setEnabled(true);
    if (!surround) {
        greyOut(area.resetButton);
        greyOut(area.saveButton);
    }
    traceLog("mode Clicked", kSelectionTrace[int(page)][slot], "Velumix",
             kSelectionFunction[int(page)][slot], __LINE__);
    if (!radio->isChecked())
        return;
    state.selectionKind = state.customKind;
    state.selectedSlot = state.firstSlotNumber + slot;
    ui.lineEdit_CustomName->setText(radio->text());
    showEditControls(page, true);
    m_qstrCurrentAlgorithm = state.algorithm;
    m_qstrCurrentMode = "custom";
    m_qstrCurrentName = radio->text();
    const CustomRecord& record = state.records[slot];
    if (record.parameter.isEmpty())
        return;
    const QStringList fields = record.parameter.split(',');
    for (int band = 0; band < kBandCount; ++band)
        state.gainTexts[band] = band < fields.size() ? fields[band].trimmed() : QString();
    state.current = record;
    state.currentValid = true;
    applyGainTexts(page, state.gainTexts);
    sendPEQParameter(int(page), customSlotModeIndex(page, slot, m_headsetModel));
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

// A new slot after the page's last one, selected and saved at once. Blank
// (`parameter` empty) takes ten zero gains, a copy the sliders' gains.
void Velumix::addCustomSlot(SoundPage page, const QString& parameter)
{
    const PageWidgets area = pageWidgets(page);
    CustomState state = customState(*this, page);
    if (state.count >= kSlotCount)
        return;
    const int slot = state.count++;
    area.clearButton->setEnabled(true);
    greyOut(area.resetButton);
    greyOut(area.saveButton);
    area.frame->show();
    area.customRadios[slot]->show();
    state.records[slot] = {state.algorithm, kNewModeName, parameter};
    area.customRadios[slot]->setText(kNewModeName);
    area.customRadios[slot]->click();
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
    if (customState(*this, page).count >= kSlotCount)
        return;
    // Shows the page's custom list, rebuilt from the saved modes.
    pageWidgets(page).customize->click();
    const EqGains gains = page == SoundPage::Surround ? (readSurroundSliders(), surroundGains)
                                                      : (readStereoSliders(), stereoGains);
    addCustomSlot(page, gainsToText(gains));
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
    const std::optional<SoundPage> page = pageShown(m_currentPage);
    if (!page)
        return;
    const PageWidgets area = pageWidgets(*page);
    for (QRadioButton* radio : area.customRadios) {
        if (!radio->isChecked())
            continue;
        radio->setText(name);
        area.saveButton->setEnabled(true);
        area.saveButton->setStyleSheet(styles::kSaveButtonActive);
        return;
    }
}

void Velumix::on_PushButton_CustomSave_Clicked()
{
    clearStagingCustomRecord();
    QString savedName = ui.lineEdit_CustomName->text();
    if (const std::optional<SoundPage> page = pageShown(m_currentPage)) {
        // Only the saved page's current record changes; the other page keeps
        // what its Reset restores.
        customState(*this, *page).currentValid = false;
        if (const std::optional<QString> name = saveCustomPage(*page))
            savedName = *name;
    }
    m_qstrCurrentMode = "custom";
    m_qstrCurrentName = savedName;
    writeJsonFile("customMode");
    writeJsonFile("currentMode");
    ui.Slider_Voice1_2->setFocus();
}

// Stores the page's slots in the custom mode list; returns the name the
// selected slot was saved under, if a slot is selected.
std::optional<QString> Velumix::saveCustomPage(SoundPage page)
{
    const PageWidgets area = pageWidgets(page);
    CustomState state = customState(*this, page);
    for (CustomRecord& record : state.records)
        record.algorithm = state.algorithm;
    const QString name = area.nameBox->text();
    std::optional<QString> savedName;
    if (const int slot = state.selectedIndex(); slot >= 0) {
        CustomRecord& record = state.records[slot];
        record.name = name;
        area.customRadios[slot]->setText(name);
        const EqGains gains = page == SoundPage::Surround ? (readSurroundSliders(), surroundGains)
                                                          : (readStereoSliders(), stereoGains);
        record.parameter = gainsToText(gains);
        state.current = record;
        state.currentValid = true;
        ui.lineEdit_CustomName->setText(name);
        savedName = name;
    }
    replacePageModes(page, state.records, state.count);
    traceLog("Save Mode",
             page == SoundPage::Surround ? "Save Stereo Custom Mode" : "Save Surround Custom Mode",
             "Velumix", "on_PushButton_CustomSave_Clicked", __LINE__);
    return savedName;
}

// The page's modes move behind those of the other page, in slot order. Modes
// of the page that no slot shows (a file may hold more than five) stay in
// the list, after the slots.
void Velumix::replacePageModes(SoundPage page, const std::array<CustomRecord, 5>& records,
                               int count)
{
    const QString algorithm = customState(*this, page).algorithm;
    int& slotBacked = m_slotBackedRecords[int(page)];
    QList<CustomRecord> others;
    QList<CustomRecord> unshown;
    int pageRecords = 0;
    for (const CustomRecord& record : m_customModeList) {
        if (record.algorithm != algorithm)
            others.append(record);
        else if (pageRecords++ >= slotBacked)
            unshown.append(record);
    }
    slotBacked = std::min(count, kSlotCount);
    for (int slot = 0; slot < slotBacked; ++slot)
        others.append(records[slot]);
    m_customModeList = others + unshown;
}

void Velumix::requestCustomDelete(SoundPage page)
{
    const CustomState state = customState(*this, page);
    if (state.count == 0 || state.selectedSlot == 0)
        return;
    for (QWidget* widget : pageWidgets(page).confirmStrip)
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
    for (QWidget* widget : pageWidgets(page).confirmStrip)
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
    const PageWidgets area = pageWidgets(page);
    CustomState state = customState(*this, page);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        area.copyButtons[slot]->hide();
        area.deleteButtons[slot]->hide();
    }
    const int selected = state.selectedIndex();
    if (state.count == 0 || selected < 0) {
        if (page == SoundPage::Surround)
            qCDebug(lcWindow).noquote() << QStringLiteral("空删除");
        return;
    }
    removePageMode(page, selected);
    closeDeleteConfirmation(page);
    writeJsonFile("customMode");
    shiftCustomSlots(page);
    --state.count;
    refreshCustomSlotTexts();
    if (state.count > 0)
        return;
    state.selectedSlot = 0;
    area.clearButton->setEnabled(false);
    area.customGroup->setExclusive(false);
    area.customRadios[0]->setChecked(false);
    area.customGroup->setExclusive(true);
    area.customRadios[0]->hide();
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui.lineEdit_CustomName, ui.pushButton_CustomReset, ui.pushButton_CustomSave,
             ui.pushButton_CustomReset2, ui.pushButton_CustomSave2})
        widget->hide();
}

// Removes the mode shown in slot `index` from the list.
void Velumix::removePageMode(SoundPage page, int index)
{
    const QString algorithm = customState(*this, page).algorithm;
    int& slotBacked = m_slotBackedRecords[int(page)];
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
    const PageWidgets area = pageWidgets(page);
    CustomState state = customState(*this, page);
    const int count = state.count;
    const int selected = state.selectedIndex();
    if (selected < 0 || count <= selected)
        return;
    for (int slot = selected; slot < count - 1; ++slot)
        moveCustomRecord(state.records[slot], state.records[slot + 1]);
    state.records[count - 1] = CustomRecord{};
    if (count != 1) // the page's last slot is hidden by the deletion itself
        area.customRadios[count - 1]->hide();
    refreshCustomSlotTexts();
    area.customRadios[0]->click();
}

void Velumix::moveCustomRecord(CustomRecord& target, CustomRecord& source)
{
    target = source;
    source = CustomRecord{};
}

void Velumix::refreshCustomSlotTexts()
{
    for (SoundPage page : {SoundPage::Stereo, SoundPage::Surround}) {
        const PageWidgets area = pageWidgets(page);
        const CustomState state = customState(*this, page);
        for (int slot = 0; slot < kSlotCount; ++slot)
            area.customRadios[slot]->setText(state.records[slot].name);
    }
}

// After a device change: the first five modes of each page fill its slots;
// the other slots are emptied.
void Velumix::loadCustomSlots()
{
    for (SoundPage page : {SoundPage::Stereo, SoundPage::Surround}) {
        const PageWidgets area = pageWidgets(page);
        CustomState state = customState(*this, page);
        int slot = 0;
        for (const CustomRecord& record : m_customModeList) {
            if (record.algorithm != state.algorithm || slot == kSlotCount)
                continue;
            state.records[slot] = record;
            area.customRadios[slot]->setText(record.name);
            ++slot;
        }
        m_slotBackedRecords[int(page)] = slot;
        // Slots the new unit does not fill must not keep another unit's modes.
        for (; slot < kSlotCount; ++slot) {
            state.records[slot] = CustomRecord{};
            area.customRadios[slot]->setText(QStringLiteral("Customize -%1").arg(slot + 1));
        }
    }
}
