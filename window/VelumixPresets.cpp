// The built-in presets of both pages.

#include "Velumix.h"

void Velumix::on_RadioButton_Surround_DeepBass_Clicked() {}
void Velumix::on_RadioButton_Surround_FPS_Clicked() {}
void Velumix::on_RadioButton_Surround_Moba_Clicked() {}
void Velumix::on_RadioButton_Surround_ZUVOStandard_Clicked() {}
void Velumix::on_RadioButton_Surround_Customize_Clicked() {}
void Velumix::on_RadioButton_Stereo_Pop_Clicked() {}
void Velumix::on_RadioButton_Stereo_RockRoll_Clicked() {}
void Velumix::on_RadioButton_Stereo_DeepBass_Clicked() {}
void Velumix::on_RadioButton_Stereo_Jazz_Clicked() {}
void Velumix::on_RadioButton_Stereo_Classic_Clicked() {}
void Velumix::on_RadioButton_Stereo_ZUVOStandard_Clicked() {}
void Velumix::on_RadioButton_Stereo_Customize_Clicked() {}
