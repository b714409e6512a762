#pragma once
// A lower layer that reaches up: the include check must refuse this.
#include "high/high.h"
