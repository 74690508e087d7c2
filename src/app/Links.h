// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUrl>

namespace mirelon {

// Web addresses of the menu and the About tab; all are build-time settings.
namespace Links {
QUrl website();
QUrl faq();
QUrl videos();
QUrl support();
QUrl x();
QUrl youtube();
QUrl suggestIdea();
QUrl moreApps();
}  // namespace Links

}  // namespace mirelon
