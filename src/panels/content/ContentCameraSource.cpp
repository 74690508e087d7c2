// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/ContentCameraSource.h"

// The two interfaces have no code of their own; this file gives their
// meta-object code a home.
