// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// Ring light settings and overlays: app.mirelon.Mirelon.ringlight
Q_DECLARE_LOGGING_CATEGORY(lcRingLight)
