#pragma once

#include "app_values.h"

// The optional "Jobs" key of the program's section: how many transcoders a batch may run at
// once. 0 when it is missing or not a number of 1 or more (the cores then decide).
int JobsSetting(const AppValues& values);
