#include "HidBackend.h"

#include "HidapiBackend.h"

namespace {
HidBackend* currentBackend = nullptr;
}

HidBackend& hidBackend()
{
    if (!currentBackend) {
        static HidapiBackend hidapi;
        currentBackend = &hidapi;
    }
    return *currentBackend;
}

void setHidBackend(HidBackend* backend)
{
    currentBackend = backend;
}
