#pragma once
// The form's widget families as tables, so that a procedure over a family is
// written once.

#include "ui_Velumix.h"

#include <array>

template <typename Widget, size_t N>
using WidgetTable = std::array<Widget * Ui::VelumixClass::*, N>;

// Band sliders, 30 Hz first.
inline constexpr WidgetTable<QSlider, 10> kStereoBandSliders = {
    &Ui::VelumixClass::verticalSlider_30,  &Ui::VelumixClass::verticalSlider_60,
    &Ui::VelumixClass::verticalSlider_120, &Ui::VelumixClass::verticalSlider_250,
    &Ui::VelumixClass::verticalSlider_500, &Ui::VelumixClass::verticalSlider_1k,
    &Ui::VelumixClass::verticalSlider_2k,  &Ui::VelumixClass::verticalSlider_4k,
    &Ui::VelumixClass::verticalSlider_8k,  &Ui::VelumixClass::verticalSlider_16k};
inline constexpr WidgetTable<QSlider, 10> kSurroundBandSliders = {
    &Ui::VelumixClass::verticalSlider_30_2,  &Ui::VelumixClass::verticalSlider_60_2,
    &Ui::VelumixClass::verticalSlider_120_2, &Ui::VelumixClass::verticalSlider_250_2,
    &Ui::VelumixClass::verticalSlider_500_2, &Ui::VelumixClass::verticalSlider_1k_2,
    &Ui::VelumixClass::verticalSlider_2k_2,  &Ui::VelumixClass::verticalSlider_4k_2,
    &Ui::VelumixClass::verticalSlider_8k_2,  &Ui::VelumixClass::verticalSlider_16k_2};

// Custom slots 1-5 of each page: radio button, copy button, delete button.
inline constexpr WidgetTable<QRadioButton, 5> kSurroundCustomRadios = {
    &Ui::VelumixClass::radioButton_Surround_Custom1,
    &Ui::VelumixClass::radioButton_Surround_Custom2,
    &Ui::VelumixClass::radioButton_Surround_Custom3,
    &Ui::VelumixClass::radioButton_Surround_Custom4,
    &Ui::VelumixClass::radioButton_Surround_Custom5};
inline constexpr WidgetTable<QRadioButton, 5> kStereoCustomRadios = {
    &Ui::VelumixClass::radioButton_Stereo_Custom1, &Ui::VelumixClass::radioButton_Stereo_Custom2,
    &Ui::VelumixClass::radioButton_Stereo_Custom3, &Ui::VelumixClass::radioButton_Stereo_Custom4,
    &Ui::VelumixClass::radioButton_Stereo_Custom5};
inline constexpr WidgetTable<QPushButton, 5> kSurroundCustomCopyButtons = {
    &Ui::VelumixClass::pushButton_17, &Ui::VelumixClass::pushButton_18,
    &Ui::VelumixClass::pushButton_19, &Ui::VelumixClass::pushButton_20,
    &Ui::VelumixClass::pushButton_21};
inline constexpr WidgetTable<QPushButton, 5> kStereoCustomCopyButtons = {
    &Ui::VelumixClass::pushButton_28, &Ui::VelumixClass::pushButton_29,
    &Ui::VelumixClass::pushButton_30, &Ui::VelumixClass::pushButton_31,
    &Ui::VelumixClass::pushButton_32};
inline constexpr WidgetTable<QPushButton, 5> kSurroundCustomDeleteButtons = {
    &Ui::VelumixClass::pushButton_Surround_CustomClear_2,
    &Ui::VelumixClass::pushButton_Surround_CustomClear_3,
    &Ui::VelumixClass::pushButton_Surround_CustomClear_4,
    &Ui::VelumixClass::pushButton_Surround_CustomClear_5,
    &Ui::VelumixClass::pushButton_Surround_CustomClear_6};
inline constexpr WidgetTable<QPushButton, 5> kStereoCustomDeleteButtons = {
    &Ui::VelumixClass::pushButton_Stereo_CustomClear_2,
    &Ui::VelumixClass::pushButton_Stereo_CustomClear_3,
    &Ui::VelumixClass::pushButton_Stereo_CustomClear_4,
    &Ui::VelumixClass::pushButton_Stereo_CustomClear_5,
    &Ui::VelumixClass::pushButton_Stereo_CustomClear_6};

// The copy buttons beside the presets and custom slots, pushButton_13 ... _32.
inline constexpr WidgetTable<QPushButton, 20> kCopyButtons = {
    &Ui::VelumixClass::pushButton_13, &Ui::VelumixClass::pushButton_14,
    &Ui::VelumixClass::pushButton_15, &Ui::VelumixClass::pushButton_16,
    &Ui::VelumixClass::pushButton_17, &Ui::VelumixClass::pushButton_18,
    &Ui::VelumixClass::pushButton_19, &Ui::VelumixClass::pushButton_20,
    &Ui::VelumixClass::pushButton_21, &Ui::VelumixClass::pushButton_22,
    &Ui::VelumixClass::pushButton_23, &Ui::VelumixClass::pushButton_24,
    &Ui::VelumixClass::pushButton_25, &Ui::VelumixClass::pushButton_26,
    &Ui::VelumixClass::pushButton_27, &Ui::VelumixClass::pushButton_28,
    &Ui::VelumixClass::pushButton_29, &Ui::VelumixClass::pushButton_30,
    &Ui::VelumixClass::pushButton_31, &Ui::VelumixClass::pushButton_32};

// Every widget of a table on one form.
template <typename Widget, size_t N>
std::array<Widget*, N> widgets(const Ui::VelumixClass& ui, const WidgetTable<Widget, N>& table)
{
    std::array<Widget*, N> result{};
    for (size_t i = 0; i < N; ++i)
        result[i] = ui.*table[i];
    return result;
}
