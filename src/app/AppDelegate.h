// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// MIRELON_UPDATE_CHECK (0 or 1) comes from the build; only the files that use
// this header are told.
#if MIRELON_UPDATE_CHECK
#include "app/UpdateDialogs.h"
#include "app/Updater.h"
#endif

#include <memory>

namespace mirelon {

// Owns the updater for the life of the process. It starts its daily
// background checks at once; "Check for Updates..." asks it directly. A build
// with MIRELON_UPDATE_CHECK=OFF (for distributions that update through their
// package manager) has no updater: no check, no timer, no network access.
class AppDelegate {
public:
    AppDelegate();
    ~AppDelegate();

    void checkForUpdates();
#if MIRELON_UPDATE_CHECK
    Updater& updater() {
        return *updater_;
    }

private:
    std::unique_ptr<NetworkFeedFetcher> fetcher_;
    std::unique_ptr<UpdateDialogs> dialogs_;
    std::unique_ptr<Updater> updater_;
#endif
};

}  // namespace mirelon
