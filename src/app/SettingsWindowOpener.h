#pragma once

#include <functional>

namespace mirelon {

// How parts of the program that do not know the application object (a camera
// panel's "Open camera settings" card, the panel content's openSettings
// action) bring the settings window to the front.
//   contentView->setOpenSettings(&SettingsWindowOpener::open);
namespace SettingsWindowOpener {

// Installed by the application at launch; an empty function uninstalls.
void install(std::function<void()> opener);
// Opens the settings window; does nothing before the application installed it.
void open();

}  // namespace SettingsWindowOpener
}  // namespace mirelon
