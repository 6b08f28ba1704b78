#include "daemon/log.h"

emsTrace_t *gWsvdTraceHandle = nullptr;
