#include "ImageModel.h"

static_assert(lumetta::kProgressComplete == 10000);
