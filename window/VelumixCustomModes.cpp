// The five custom modes of each page.

#include "Velumix.h"

void Velumix::Red_Dialog_STEREO() {}
void Velumix::Red_Dialog2_STEREO() {}
void Velumix::Red_Dialog() {}
void Velumix::Red_Dialog2() {}
void Velumix::on_PushButton_CustomSave_Clicked() {}
void Velumix::on_PushButton_Stereo_CustomAdd_Clicked() {}
void Velumix::on_PushButton_Stereo_CustomCopy_Clicked() {}
void Velumix::on_PushButton_Stereo_CustomClear_Clicked() {}
void Velumix::on_PushButton_Surround_CustomAdd_Clicked() {}
void Velumix::on_PushButton_Surround_CustomCopy_Clicked() {}
void Velumix::on_PushButton_Surround_CustomClear_Clicked() {}
void Velumix::on_RadioButton_Surround_CustomOne_Clicked() {}
void Velumix::on_RadioButton_Surround_CustomTwo_Clicked() {}
void Velumix::on_RadioButton_Surround_CustomThree_Clicked() {}
void Velumix::on_RadioButton_Surround_CustomFour_Clicked() {}
void Velumix::on_RadioButton_Surround_CustomFive_Clicked() {}
void Velumix::on_RadioButton_Stereo_CustomOne_Clicked() {}
void Velumix::on_RadioButton_Stereo_CustomTwo_Clicked() {}
void Velumix::on_RadioButton_Stereo_CustomThree_Clicked() {}
void Velumix::on_RadioButton_Stereo_CustomFour_Clicked() {}
void Velumix::on_RadioButton_Stereo_CustomFive_Clicked() {}
void Velumix::on_LineEdit_CustomizeName_Changed(QString) {}
