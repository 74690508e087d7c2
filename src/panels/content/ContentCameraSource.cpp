#include "panels/content/ContentCameraSource.h"

// The two interfaces have no code of their own; this file gives their
// meta-object code a home.
