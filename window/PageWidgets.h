#pragma once
// Which of the form's widgets belong to which sound page: the preset
// entries in the order the list shows them, the custom rows, the edit
// controls, the delete confirmation and the band sliders, and where the
// list's rows sit folded and unfolded.

#include "Vocabulary.h"

#include <QRect>

#include <array>
#include <vector>

namespace Ui {
class VelumixClass;
}
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSlider;
class QWidget;

// A preset entry of a page's list and the builtInPresets() index it stands for.
struct PresetRow
{
    QRadioButton* radio;
    int preset;
    QPushButton* copyButton;
};

// Where a mode list's movable rows sit; custom slot k lies k row pitches
// below slot 1.
struct RowGeometry
{
    QRect customize;
    QRect addButton;
    QRect firstCustomRadio;
    QRect firstCopyButton;
    QRect firstDeleteButton;
};
inline constexpr int kRowPitch = 30;

struct PageWidgets
{
    std::vector<PresetRow> presets; // top first
    QRadioButton* customize;
    std::array<QRadioButton*, kCustomSlotCount> customRadios;
    std::array<QPushButton*, kCustomSlotCount> copyButtons;
    std::array<QPushButton*, kCustomSlotCount> deleteButtons;
    QPushButton* addButton;
    QPushButton* deleteRequest;
    QGroupBox* frame;
    QLineEdit* nameBox;
    QPushButton* reset;
    QPushButton* save;
    // The strip that asks before a custom mode is deleted.
    struct DeleteStrip
    {
        QLabel* prompt;
        QPushButton* confirm;
        QPushButton* cancel;
    } confirmStrip;
    std::array<QSlider*, kBandCount> sliders;
    // The picture behind the sliders, which carries the response curve.
    QLabel* sliderBackground;
    // Folding hides the preset entries.
    QPushButton* foldButton;
    QPushButton* unfoldButton; // in the fold button's place
    QLineEdit* caption;
    QScrollArea* scrollArea;
    RowGeometry folded;
    RowGeometry unfolded;
};

PageWidgets pageWidgets(Ui::VelumixClass& form, SoundPage page);

// The builtInPresets() indexes of a page in the order its list shows them.
std::vector<int> presetsInListOrder(SoundPage page);
