#pragma once

// Former name of the floating-window service.
#include "platform/FloatingWindow.h"
