// Compiled as C++11: the public header must not need anything newer.
#include "velumor.h"

static_assert(sizeof(CDownSampler) > 0, "CDownSampler is complete");
static_assert(sizeof(CUpSampler) > 0, "CUpSampler is complete");
