// Binds each sound page's members and widgets to its numbers.

#include "Velumix.h"

#include "PageView.h"
#include "WidgetTables.h"

PageView Velumix::page(SoundPage page)
{
    if (page == SoundPage::Surround)
        return {kPageNumbers[int(page)],
                m_surroundSelectionKind,
                m_surroundCustomSlot,
                m_surroundCustomCount,
                m_surroundCustomSlots,
                m_surroundCurrentCustom,
                m_surroundCurrentCustomValid,
                m_surroundGainTexts,
                m_slotBackedRecords[int(page)],
                surroundGains,
                m_currentDeviceConfig.surroundPresets,
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
    return {kPageNumbers[int(page)],
            m_stereoSelectionKind,
            m_stereoCustomSlot,
            m_stereoCustomCount,
            m_stereoCustomSlots,
            m_stereoCurrentCustom,
            m_stereoCurrentCustomValid,
            m_stereoGainTexts,
            m_slotBackedRecords[int(page)],
            stereoGains,
            m_currentDeviceConfig.stereoPresets,
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
