#pragma once
// Style sheets the window switches at run time.

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

} // namespace styles
