// The band sliders and sending the equaliser.

#include "Velumix.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

void Velumix::on_VerticalSlider_Stereo_ValueChange() {}
void Velumix::on_VerticalSlider_Surround_ValueChange() {}
void Velumix::on_VerticalSlider_Surround_Stereo_SlideMoved() {}
// Not connected to any signal; kept for the slot table.
void Velumix::on_VerticalSlider_30_ActionTriggered_T(int)
{
    qCDebug(lcWindow).noquote() << "*************************************************action Triggered";
}
