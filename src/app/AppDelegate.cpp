#include "app/AppDelegate.h"

namespace mirelon {

AppDelegate::AppDelegate()
    : fetcher_(std::make_unique<NetworkFeedFetcher>()),
      dialogs_(std::make_unique<UpdateDialogs>()),
      updater_(std::make_unique<Updater>(Updater::configuredFeedUrl(),
                                         QStringLiteral(MIRELON_VERSION), *fetcher_, *dialogs_)) {
    updater_->startBackgroundChecks();
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::checkForUpdates() {
    updater_->checkForUpdates();
}

}  // namespace mirelon
