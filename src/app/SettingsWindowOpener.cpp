#include "app/SettingsWindowOpener.h"

namespace mirelon {
namespace SettingsWindowOpener {

namespace {
std::function<void()>& opener() {
    static std::function<void()> instance;
    return instance;
}
}  // namespace

void install(std::function<void()> function) {
    opener() = std::move(function);
}

void open() {
    if (opener()) {
        opener()();
    }
}

}  // namespace SettingsWindowOpener
}  // namespace mirelon
