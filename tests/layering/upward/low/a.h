#pragma once
#include "beside/c.h"
#include "high/b.h"
