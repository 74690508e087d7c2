// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Former name of the floating-window service.
#include "platform/FloatingWindow.h"
