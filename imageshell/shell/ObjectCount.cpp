#include "ObjectCount.h"

long ObjectCount = 0;
