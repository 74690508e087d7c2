// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace mirelon {

// One release announced by the feed.
struct ReleaseItem {
    QString version;
    QString title;
    QUrl link;  // http or https only; empty when the feed gave anything else
    QString description;
};

// A dotted version number such as "1.2.10"; an optional leading "v" and a
// suffix after "-" ("1.3.0-beta2") are allowed. A version with a suffix comes
// before the same numbers without one.
class VersionNumber {
public:
    static std::optional<VersionNumber> parse(const QString& text);
    int compare(const VersionNumber& other) const;
    bool operator<(const VersionNumber& other) const { return compare(other) < 0; }
    bool operator==(const VersionNumber& other) const { return compare(other) == 0; }

private:
    QList<quint32> parts_;
    QString suffix_;
};

// The release feed: an RSS 2.0 document whose items carry
//   <title>, <link>, <description> and <version> (the element may carry any
//   namespace prefix, e.g. <mirelon:version>).
// The feed comes from the network, so parsing is defensive: documents with a
// DOCTYPE (and so any entity declaration) are refused outright, sizes are
// bounded, and links that are not http or https are dropped.
namespace UpdateFeed {

inline constexpr qint64 maximumDocumentSize = 1024 * 1024;
inline constexpr int maximumItems = 500;
inline constexpr int maximumFieldLength = 2048;  // title, link, version
inline constexpr int maximumDescriptionLength = 64 * 1024;

struct Result {
    QList<ReleaseItem> items;  // items with a readable version, in feed order
    QString error;             // empty on success
};

Result parse(const QByteArray& document);

// The item with the highest version, if any.
std::optional<ReleaseItem> newest(const QList<ReleaseItem>& items);

// Release notes as plain text: markup removed, whitespace tidied.
QString plainText(const QString& description);

// Whether a link may be opened: an absolute http or https address with a host.
bool isOpenableLink(const QUrl& url);

}  // namespace UpdateFeed
}  // namespace mirelon
