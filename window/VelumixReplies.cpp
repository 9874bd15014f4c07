// The headset's replies as the window acts on them.

#include "Velumix.h"

void Velumix::on_SLOTReadAudio(int) {}
