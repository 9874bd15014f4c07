// The 7.1 speaker test.

#include "Velumix.h"

void Velumix::on_SLOTSetMicTimer_LabelUI(int) {}
void Velumix::on_PushButton_PlayTest_Clicked() {}
void Velumix::on_PushButton_Horn_LeftUp_Clicked() {}
void Velumix::stopSurroundTest() {}
