#pragma once
// A higher layer; it may include the lower one.
#include "low/low.h"
