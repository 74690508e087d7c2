// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace mirelon {

// The camera permission state, as the capture service reports it.
enum class CameraAuthorization { authorized, notDetermined, denied, restricted };

namespace CameraPermission {

// The system's answer: authorised when a /dev/video* capture node can be
// opened or none exists; denied when nodes exist and every one refuses access
// (EACCES: the user is usually not in the "video" group). Linux never asks.
CameraAuthorization systemStatus(const QString& deviceFolder = QStringLiteral("/dev"));

// Simulated cameras: the word in <folder>/.permission ("authorized",
// "denied", "restricted" or "notDetermined"); a missing file is authorised, an
// unknown word is logged and read as denied.
CameraAuthorization simulatedStatus(const QString& folder);

// Simulated cameras: asks the question. 100 ms later, on another thread,
// answer(yes) runs with the word in <folder>/.permission-answer ("yes" or
// "no"; anything else is no); a yes also rewrites .permission to "authorized".
void requestSimulatedAccess(const QString& folder, std::function<void(bool)> answer);

}  // namespace CameraPermission

namespace Utils {
// Opens the program's camera access help: which /dev/video node could not be
// opened and why, and how to fix it (CameraAccessHelpDialog).
void openCameraPrivacySettings();
}  // namespace Utils

}  // namespace mirelon
