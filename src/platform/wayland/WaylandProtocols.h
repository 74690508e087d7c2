// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The generated protocol headers, made usable from C++: the layer-shell
// protocol names an argument "namespace", which is a keyword here.
#include <wayland-client.h>

#define namespace namespace_
extern "C" {
#include "fractional-scale-v1-client.h"
#include "viewporter-client.h"
#include "wlr-layer-shell-unstable-v1-client.h"
#include "xdg-output-unstable-v1-client.h"
}
#undef namespace
