#include "base/log.h"

emsTrace_t *gWsvdTraceHandle = nullptr;
