#include "PageWidgets.h"

#include "WidgetTables.h"

namespace {

using Form = Ui::VelumixClass;

struct PresetMembers
{
    int preset;
    QRadioButton* Form::*radio;
    QPushButton* Form::*copyButton;
};

// In the order the lists show them, top first, by SoundPage.
const std::array<std::vector<PresetMembers>, 2> kPresetRows = {{
    {{4, &Form::radioButton_Stereo_Pop, &Form::pushButton_22},
     {5, &Form::radioButton_Stereo_RockRoll, &Form::pushButton_23},
     {6, &Form::radioButton_Stereo_DeepBass, &Form::pushButton_24},
     {7, &Form::radioButton_Stereo_Jazz, &Form::pushButton_25},
     {8, &Form::radioButton_Stereo_Classic, &Form::pushButton_26},
     {9, &Form::radioButton_Stereo_ZUVOStandard, &Form::pushButton_27}},
    {{0, &Form::radioButton_Surround_DeepBas, &Form::pushButton_13},
     {2, &Form::radioButton_Surround_Moba, &Form::pushButton_14},
     {1, &Form::radioButton_Surround_FPS, &Form::pushButton_15},
     {3, &Form::radioButton_Surround_ZUVOStandard, &Form::pushButton_16}},
}};

std::vector<PresetRow> presetRows(Form& ui, SoundPage page)
{
    std::vector<PresetRow> rows;
    for (const PresetMembers& members : kPresetRows[int(page)])
        rows.push_back({ui.*members.radio, members.preset, ui.*members.copyButton});
    return rows;
}

PageWidgets surroundWidgets(Ui::VelumixClass& ui)
{
    return {presetRows(ui, SoundPage::Surround),
            ui.radioButton_Surround_Customize,
            widgets(ui, kSurroundCustomRadios),
            widgets(ui, kSurroundCustomCopyButtons),
            widgets(ui, kSurroundCustomDeleteButtons),
            ui.pushButton_Surround_CustomAdd,
            ui.pushButton_Surround_CustomClear,
            ui.groupBox_Surround,
            ui.lineEdit_23,
            ui.pushButton_CustomReset,
            ui.pushButton_CustomSave,
            {ui.label_33, ui.pushButton_6, ui.pushButton_7},
            widgets(ui, kSurroundBandSliders),
            ui.label_16,
            ui.pushButton_die1,
            ui.pushButton_die2,
            ui.lineEdit_20,
            ui.scrollArea,
            {{0, 10, 110, 30},
             {210, 10, 24, 24},
             {0, 40, 110, 30},
             {165, 42, 20, 24},
             {213, 45, 18, 18}},
            {{0, 130, 100, 25},
             {211, 130, 24, 24},
             {0, 160, 110, 30},
             {165, 162, 20, 24},
             {213, 165, 18, 18}}};
}

PageWidgets stereoWidgets(Ui::VelumixClass& ui)
{
    return {presetRows(ui, SoundPage::Stereo),
            ui.radioButton_Stereo_Customize,
            widgets(ui, kStereoCustomRadios),
            widgets(ui, kStereoCustomCopyButtons),
            widgets(ui, kStereoCustomDeleteButtons),
            ui.pushButton_Stereo_CustomAdd,
            ui.pushButton_Stereo_CustomClear,
            ui.groupBox_Stereo,
            ui.lineEdit_15,
            ui.pushButton_CustomReset2,
            ui.pushButton_CustomSave2,
            {ui.label_34, ui.pushButton_10, ui.pushButton_11},
            widgets(ui, kStereoBandSliders),
            ui.label_36,
            ui.pushButton_die3,
            ui.pushButton_die4,
            ui.lineEdit_21,
            ui.scrollArea_2,
            {{0, 10, 110, 30},
             {210, 10, 24, 24},
             {0, 40, 110, 30},
             {165, 42, 20, 24},
             {215, 45, 18, 18}},
            {{0, 190, 110, 30},
             {210, 193, 24, 24},
             {0, 222, 110, 30},
             {160, 220, 20, 24},
             {215, 225, 18, 18}}};
}

} // namespace

PageWidgets pageWidgets(Ui::VelumixClass& form, SoundPage page)
{
    return page == SoundPage::Surround ? surroundWidgets(form) : stereoWidgets(form);
}

std::vector<int> presetsInListOrder(SoundPage page)
{
    std::vector<int> presets;
    for (const PresetMembers& members : kPresetRows[int(page)])
        presets.push_back(members.preset);
    return presets;
}
