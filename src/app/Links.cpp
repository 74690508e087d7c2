// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Links.h"

// Each address can be set when building; the defaults live under the web site.
#ifndef MIRELON_WEBSITE_URL
#define MIRELON_WEBSITE_URL "https://mirelon.app"
#endif
#ifndef MIRELON_FAQ_URL
#define MIRELON_FAQ_URL MIRELON_WEBSITE_URL "/faq"
#endif
#ifndef MIRELON_VIDEOS_URL
#define MIRELON_VIDEOS_URL MIRELON_WEBSITE_URL "/videos"
#endif
#ifndef MIRELON_SUPPORT_URL
#define MIRELON_SUPPORT_URL MIRELON_WEBSITE_URL
#endif
#ifndef MIRELON_X_URL
#define MIRELON_X_URL MIRELON_WEBSITE_URL "/x"
#endif
#ifndef MIRELON_YOUTUBE_URL
#define MIRELON_YOUTUBE_URL MIRELON_WEBSITE_URL "/youtube"
#endif
#ifndef MIRELON_IDEAS_URL
#define MIRELON_IDEAS_URL MIRELON_WEBSITE_URL "/ideas"
#endif
#ifndef MIRELON_MORE_APPS_URL
#define MIRELON_MORE_APPS_URL MIRELON_WEBSITE_URL "/apps"
#endif

namespace mirelon {
namespace Links {

QUrl website() {
    return QUrl(QStringLiteral(MIRELON_WEBSITE_URL));
}
QUrl faq() {
    return QUrl(QStringLiteral(MIRELON_FAQ_URL));
}
QUrl videos() {
    return QUrl(QStringLiteral(MIRELON_VIDEOS_URL));
}
QUrl support() {
    return QUrl(QStringLiteral(MIRELON_SUPPORT_URL));
}
QUrl x() {
    return QUrl(QStringLiteral(MIRELON_X_URL));
}
QUrl youtube() {
    return QUrl(QStringLiteral(MIRELON_YOUTUBE_URL));
}
QUrl suggestIdea() {
    return QUrl(QStringLiteral(MIRELON_IDEAS_URL));
}
QUrl moreApps() {
    return QUrl(QStringLiteral(MIRELON_MORE_APPS_URL));
}

}  // namespace Links
}  // namespace mirelon
