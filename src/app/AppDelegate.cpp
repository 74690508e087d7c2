// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

namespace mirelon {

#if MIRELON_UPDATE_CHECK
AppDelegate::AppDelegate()
    : fetcher_(std::make_unique<NetworkFeedFetcher>()),
      dialogs_(std::make_unique<UpdateDialogs>()),
      updater_(std::make_unique<Updater>(Updater::configuredFeedUrl(),
                                         QStringLiteral(MIRELON_VERSION), *fetcher_, *dialogs_)) {
    updater_->startBackgroundChecks();
}

void AppDelegate::checkForUpdates() {
    updater_->checkForUpdates();
}
#else
AppDelegate::AppDelegate() = default;

void AppDelegate::checkForUpdates() {}
#endif

AppDelegate::~AppDelegate() = default;

}  // namespace mirelon
