// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// Logging categories, all under the application identifier.
Q_DECLARE_LOGGING_CATEGORY(lcCore)      // camera model: app.mirelon.Mirelon.core
Q_DECLARE_LOGGING_CATEGORY(lcMain)      // start at login: app.mirelon.Mirelon.main
Q_DECLARE_LOGGING_CATEGORY(lcDefaults)  // preferences file: app.mirelon.Mirelon.defaults
Q_DECLARE_LOGGING_CATEGORY(lcCapture)   // camera discovery: app.mirelon.Mirelon.capture
// How old frames are when a panel shows them (debug lines, off unless
// QT_LOGGING_RULES="app.mirelon.Mirelon.frames.debug=true"): app.mirelon.Mirelon.frames
Q_DECLARE_LOGGING_CATEGORY(lcFrames)
Q_DECLARE_LOGGING_CATEGORY(lcConfig)  // camera configuration store: app.mirelon.Mirelon.config
