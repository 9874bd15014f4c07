#pragma once
// The equaliser plot panels behind both pages' sliders, the scale drawn
// behind the sliders and the spectrum panel of headsets without a picture:
// background and axes.

namespace Ui {
class VelumixClass;
}

void setUpPlotPanels(Ui::VelumixClass& form);
