#pragma once
// What a screen reader is told about the window's controls. The stock
// interfaces say too little about three kinds of them, so these get their
// own: a slider with a unit tells its value with the unit ("+3 dB"), a
// caption drawn by a disabled text field is a label (not an unavailable
// field) tied to the control it names, and the page tab bar says which tab
// is selected. Every interactive control gets a name and, where it shows
// only a picture, a tooltip.

#include <QString>

namespace Ui {
class VelumixClass;
}
class QSlider;
class QWidget;

// Once per program, before the first interface is asked for.
void installAccessibleInterfaces();

// A slider whose value is read with `unit` ("dB", "%").
void setValueUnit(QSlider* slider, const QString& unit);
// `caption`, a disabled text field that shows a label, names `control`
// (which may be null for a caption of the page as a whole).
void makeCaption(QWidget* caption, QWidget* control);
// The tab bar's interface tells which of its tabs is selected.
void reportSelectedTab(QWidget* tabBar);

// The same text as accessible name and tooltip, for a control that shows
// only a picture.
void nameIconButton(QWidget* button, const QString& name);

// The form's fixed names, tooltips and captions; the names that depend on a
// mode are set where the mode is shown.
void nameControls(Ui::VelumixClass& form);

// "60 Hz", "16 kHz": a band as people name it, 0 = 30 Hz.
QString bandName(int band);
