// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/Logging.h"

// Debug messages are off unless enabled with QT_LOGGING_RULES.
Q_LOGGING_CATEGORY(lcCore, "app.mirelon.Mirelon.core", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMain, "app.mirelon.Mirelon.main", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDefaults, "app.mirelon.Mirelon.defaults", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCapture, "app.mirelon.Mirelon.capture", QtInfoMsg)
Q_LOGGING_CATEGORY(lcFrames, "app.mirelon.Mirelon.frames", QtInfoMsg)
Q_LOGGING_CATEGORY(lcConfig, "app.mirelon.Mirelon.config", QtInfoMsg)
