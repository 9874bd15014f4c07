// The default and user configuration files.

#include "Velumix.h"

void Velumix::photoJsonFile() {}
