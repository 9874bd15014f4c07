#pragma once
// The widgets of a sound page's mode list that the preset, custom-mode and
// navigation code address by page.

#include "Velumix.h"

#include <array>

struct Velumix::PageWidgets
{
    SoundPage page;
    QLineEdit* nameBox;
    QPushButton* addButton;
    QPushButton* clearButton; // the page's delete request
    QGroupBox* frame;
    QRadioButton* customize;
    QButtonGroup* customGroup;
    std::array<QRadioButton*, 5> customRadios;
    std::array<QPushButton*, 5> copyButtons;
    std::array<QPushButton*, 5> deleteButtons;
    QPushButton* resetButton;
    QPushButton* saveButton;
    // The delete confirmation: prompt, confirm, cancel.
    std::array<QWidget*, 3> confirmStrip;
};
