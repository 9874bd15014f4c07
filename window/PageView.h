#pragma once
// The two sound pages as the window sees them. Each page is named by several
// numbers: its SoundPage, its tab, the value of m_currentPage while it is
// shown, its selection kinds and its custom slot numbers. They are all
// defined here, next to the conversions between them, and Velumix::page()
// binds a page's members and widgets to them, so that code acting on "the
// page" never chooses between a pair of members itself.

#include "BuiltInPresets.h"
#include "ConfigRecord.h"
#include "Vocabulary.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// Values of m_surroundSelectionKind and m_stereoSelectionKind: a built-in
// preset or the custom-mode list is selected on the page.
inline constexpr int kSurroundPresetSelected = 101;
inline constexpr int kSurroundCustomSelected = 102;
inline constexpr int kStereoPresetSelected = 201;
inline constexpr int kStereoCustomSelected = 202;

// Values of m_surroundCustomSlot and m_stereoCustomSlot: custom slot k
// (0-based) of a page is the page's first slot number + k.
inline constexpr int kNoCustomSlot = 0;
inline constexpr int kSurroundFirstSlot = 21;
inline constexpr int kStereoFirstSlot = 41;

// The pages' tabs in tabWidget.
inline constexpr int kSurroundTab = 0;
inline constexpr int kStereoTab = 1;
inline constexpr int kMicrophoneTab = 2;

// Values of m_currentPage: the page shown.
inline constexpr int kStereoPageShown = 1;
inline constexpr int kSurroundPageShown = 2;
inline constexpr int kMicrophonePageShown = 3;

// The fixed numbers and texts of a sound page.
struct PageNumbers
{
    SoundPage page;
    const char* algorithm; // as the user file and the current mode name it
    int presetSelected;    // selection kind while a built-in preset is selected
    int customSelected;    // selection kind while the custom-mode list is selected
    int firstSlotNumber;   // the slot number of custom slot 1
    int tab;
    int pageShown; // m_currentPage while the page is shown
    // The trace log names a page's mode changes and saves after the other page.
    const char* modeTraceTag;
    const char* saveTraceStep;
};

// Indexed by SoundPage.
inline constexpr PageNumbers kPageNumbers[] = {
    {SoundPage::Stereo, "Stereo", kStereoPresetSelected, kStereoCustomSelected, kStereoFirstSlot,
     kStereoTab, kStereoPageShown, "Surround Mode", "Save Surround Custom Mode"},
    {SoundPage::Surround, "Surround", kSurroundPresetSelected, kSurroundCustomSelected,
     kSurroundFirstSlot, kSurroundTab, kSurroundPageShown, "Stereo Mode",
     "Save Stereo Custom Mode"},
};
static_assert(kPageNumbers[int(SoundPage::Stereo)].page == SoundPage::Stereo &&
              kPageNumbers[int(SoundPage::Surround)].page == SoundPage::Surround);

// The sound page shown while m_currentPage is `currentPage`; none for the
// microphone page.
inline std::optional<SoundPage> soundPageShown(int currentPage)
{
    for (const PageNumbers& numbers : kPageNumbers)
        if (numbers.pageShown == currentPage)
            return numbers.page;
    return std::nullopt;
}

// The sound page an algorithm text names, if any.
inline std::optional<SoundPage> soundPageOfAlgorithm(const QString& algorithm)
{
    for (const PageNumbers& numbers : kPageNumbers)
        if (algorithm == QLatin1String(numbers.algorithm))
            return numbers.page;
    return std::nullopt;
}

// One sound page: its numbers, the window's members that hold its state, by
// reference, and the widgets of its mode list.
struct PageView : PageNumbers
{
    int& selectionKind; // m_surroundSelectionKind / m_stereoSelectionKind
    int& selectedSlot;  // m_surroundCustomSlot / m_stereoCustomSlot
    int& customCount;   // slots in use, m_surroundCustomCount / m_stereoCustomCount
    std::array<CustomRecord, kCustomSlotCount>& slotRecords;
    CustomRecord& currentCustom; // what Reset restores
    bool& currentCustomValid;
    std::array<QString, kBandCount>& gainTexts;
    // How many of the page's first modes in m_customModeList the slots show.
    int& slotBackedRecords;
    EqGains& sentGains;               // surroundGains / stereoGains
    const QStringList& presetEntries; // the page's presets in m_currentDeviceConfig

    QLineEdit* nameBox;
    QPushButton* addButton;
    QPushButton* clearButton; // the page's delete request
    QGroupBox* frame;
    QRadioButton* customize;
    QButtonGroup* customGroup;
    std::array<QRadioButton*, kCustomSlotCount> customRadios;
    std::array<QPushButton*, kCustomSlotCount> copyButtons;
    std::array<QPushButton*, kCustomSlotCount> deleteButtons;
    QPushButton* resetButton;
    QPushButton* saveButton;
    // The delete confirmation: prompt, confirm, cancel.
    std::array<QWidget*, 3> confirmStrip;

    int slotNumber(int slot) const { return firstSlotNumber + slot; }
    // The selected custom slot as 0..4, or -1.
    int selectedIndex() const
    {
        const int index = selectedSlot - firstSlotNumber;
        return index >= 0 && index < kCustomSlotCount ? index : -1;
    }
};
