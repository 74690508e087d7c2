#pragma once

#include "app/UpdateDialogs.h"
#include "app/Updater.h"

#include <memory>

namespace mirelon {

// Owns the updater for the life of the process. It starts its daily
// background checks at once; "Check for Updates..." asks it directly.
class AppDelegate {
public:
    AppDelegate();
    ~AppDelegate();

    void checkForUpdates();
    Updater& updater() { return *updater_; }

private:
    std::unique_ptr<NetworkFeedFetcher> fetcher_;
    std::unique_ptr<UpdateDialogs> dialogs_;
    std::unique_ptr<Updater> updater_;
};

}  // namespace mirelon
