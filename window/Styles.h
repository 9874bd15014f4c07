#pragma once
// Style sheets the window switches at run time.

#include <cstdint>

namespace styles {
// Reset and Save while nothing is to be reset or saved.
inline constexpr char kEditButtonIdle[] =
    "QPushButton{background-color: rgb(50,50,50);border-radius:7px;color:rgb(100,100,100)}";
// Reset and Save once a slider was dragged.
inline constexpr char kSaveButtonActive[] =
    "QPushButton{color:rgb(255,255,255);border: none;border-radius:7px;background-color: "
    "rgb(255,171,62)}";
inline constexpr char kResetButtonActive[] =
    "QPushButton{color:rgb(255,255,255);border-radius:7px;border: none;background-color: "
    "rgb(255,171,62)}";

// The headset picture button of the main screen, which shows the picture pair
// of the connected product.
inline constexpr char kHeadsetButtonRasko[] =
    "QPushButton{\nborder-image: url(:/headset/pic/headset/Rasko_main_hui.jpg);\n}\n"
    "QPushButton:hover{\nborder-image: url(:/headset/pic/headset/Rasko_main_bai.jpg);\n}";
inline constexpr char kHeadsetButtonSorel[] =
    "QPushButton{\nborder-image: url(:/headset/pic/headset/Sorel_main_hui.jpg);\n}\n"
    "QPushButton:hover{\nborder-image: url(:/headset/pic/headset/Sorel_main_bai.jpg);\n}";
inline constexpr uint16_t kRaskoProductId = 0x0F51;
constexpr const char* headsetPictureButton(uint16_t productId)
{
    return productId == kRaskoProductId ? kHeadsetButtonRasko : kHeadsetButtonSorel;
}
} // namespace styles
