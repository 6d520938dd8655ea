#include "shell/ObjectCount.h"

#include <windows.h>

long ObjectCount = 0;

void ObjectCountUp() { InterlockedIncrement(&ObjectCount); }
void ObjectCountDown() { InterlockedDecrement(&ObjectCount); }
