// Moving between the pages and their panels.

#include "Velumix.h"

void Velumix::on_TabWidget_Clicked(int) {}
void Velumix::pushButton_die1_fold() {}
void Velumix::pushButton_die2_fold() {}
void Velumix::pushButton_die3_fold() {}
void Velumix::pushButton_die4_fold() {}
void Velumix::disappear() {}
void Velumix::disappear2() {}
void Velumix::slot1() {}
void Velumix::On_Button_Reset1() {}
void Velumix::On_Button_Save1() {}
void Velumix::On_Button_Reset2() {}
void Velumix::On_Button_Save2() {}
void Velumix::main_clicked() {}
void Velumix::main_changed() {}
void Velumix::On_Button_Surround() {}
void Velumix::On_Button_Style() {}
void Velumix::on_PushButton_CustomReset_Clicked() {}
