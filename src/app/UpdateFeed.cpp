// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UpdateFeed.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace mirelon {

std::optional<VersionNumber> VersionNumber::parse(const QString& text) {
    QString s = text.trimmed();
    if (s.startsWith(u'v') || s.startsWith(u'V')) {
        s.remove(0, 1);
    }
    VersionNumber v;
    const qsizetype dash = s.indexOf(u'-');
    if (dash >= 0) {
        v.suffix_ = s.mid(dash + 1);
        s.truncate(dash);
        if (v.suffix_.isEmpty()) {
            return std::nullopt;
        }
    }
    const QStringList parts = s.split(u'.');
    if (parts.size() > 8) {
        return std::nullopt;
    }
    for (const QString& part : parts) {
        bool ok = false;
        if (part.isEmpty() || part.size() > 9) {
            return std::nullopt;
        }
        for (QChar c : part) {
            if (c < u'0' || c > u'9') {
                return std::nullopt;
            }
        }
        const uint n = part.toUInt(&ok);
        if (!ok) {
            return std::nullopt;
        }
        v.parts_.append(n);
    }
    return v;
}

int VersionNumber::compare(const VersionNumber& other) const {
    const qsizetype n = std::max(parts_.size(), other.parts_.size());
    for (qsizetype i = 0; i < n; ++i) {
        const quint32 a = i < parts_.size() ? parts_[i] : 0;
        const quint32 b = i < other.parts_.size() ? other.parts_[i] : 0;
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    if (suffix_.isEmpty() != other.suffix_.isEmpty()) {
        return suffix_.isEmpty() ? 1 : -1;
    }
    const int c = QString::compare(suffix_, other.suffix_);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

namespace UpdateFeed {

namespace {

// Reads the text of the current element and of any elements inside it,
// bounded. None when it exceeds the bound or the document ends first.
std::optional<QString> readText(QXmlStreamReader& xml, qsizetype limit) {
    QString text;
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) {
            text += xml.text();
            if (text.size() > limit) {
                return std::nullopt;
            }
        } else if (xml.isStartElement()) {
            ++depth;
        } else if (xml.isEndElement()) {
            if (depth == 0) {
                return text;
            }
            --depth;
        } else if (xml.tokenType() == QXmlStreamReader::DTD ||
                   xml.tokenType() == QXmlStreamReader::EntityReference) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

bool isOpenableLink(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

Result parse(const QByteArray& document) {
    Result result;
    if (document.size() > maximumDocumentSize) {
        result.error =
            QCoreApplication::translate("UpdateFeed", "The update feed is larger than %1 bytes.")
                .arg(maximumDocumentSize);
        return result;
    }
    QXmlStreamReader xml(document);
    bool sawRss = false;
    bool sawChannel = false;
    int itemCount = 0;
    ReleaseItem item;
    bool inItem = false;
    bool itemValid = true;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference) {
            result.items.clear();
            result.error = QCoreApplication::translate(
                "UpdateFeed", "The update feed declares a document type; refused.");
            return result;
        }
        if (token == QXmlStreamReader::StartElement) {
            const auto name = xml.name();
            if (!sawRss) {
                if (name != QLatin1String("rss")) {
                    result.error = QCoreApplication::translate(
                        "UpdateFeed", "The update feed is not an RSS document.");
                    return result;
                }
                sawRss = true;
                continue;
            }
            if (name == QLatin1String("channel")) {
                sawChannel = true;
                continue;
            }
            if (name == QLatin1String("item")) {
                if (++itemCount > maximumItems) {
                    break;
                }
                inItem = true;
                itemValid = true;
                item = ReleaseItem();
                continue;
            }
            if (!inItem) {
                continue;
            }
            const bool isDescription = name == QLatin1String("description");
            const auto text =
                readText(xml, isDescription ? maximumDescriptionLength : maximumFieldLength);
            if (!text) {
                if (xml.hasError()) {
                    break;
                }
                itemValid = false;
                continue;
            }
            if (name == QLatin1String("version")) {
                item.version = text->trimmed();
            } else if (name == QLatin1String("title") && xml.namespaceUri().isEmpty()) {
                item.title = text->trimmed();
            } else if (name == QLatin1String("link") && xml.namespaceUri().isEmpty()) {
                const QUrl url(text->trimmed(), QUrl::StrictMode);
                item.link = isOpenableLink(url) ? url : QUrl();
            } else if (isDescription) {
                item.description = *text;
            }
        } else if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("item")) {
            inItem = false;
            if (itemValid && VersionNumber::parse(item.version)) {
                result.items.append(item);
            }
        }
    }
    if (xml.hasError()) {
        result.items.clear();
        result.error = QCoreApplication::translate(
                           "UpdateFeed", "The update feed could not be read: %1 (line %2).")
                           .arg(xml.errorString())
                           .arg(xml.lineNumber());
        return result;
    }
    if (!sawRss || !sawChannel) {
        result.error =
            QCoreApplication::translate("UpdateFeed", "The update feed is not an RSS document.");
        return result;
    }
    return result;
}

std::optional<ReleaseItem> newest(const QList<ReleaseItem>& items) {
    std::optional<ReleaseItem> best;
    std::optional<VersionNumber> bestVersion;
    for (const ReleaseItem& item : items) {
        const auto v = VersionNumber::parse(item.version);
        if (v && (!bestVersion || *bestVersion < *v)) {
            best = item;
            bestVersion = v;
        }
    }
    return best;
}

QString plainText(const QString& description) {
    QString out;
    out.reserve(description.size());
    bool inTag = false;
    QString tag;
    for (QChar c : description) {
        if (inTag) {
            if (c == u'>') {
                inTag = false;
                const QString t = tag.trimmed().toLower();
                if (t.startsWith(QLatin1String("br")) || t.startsWith(QLatin1String("/p")) ||
                    t.startsWith(QLatin1String("li")) || t.startsWith(QLatin1String("/h"))) {
                    out += t.startsWith(QLatin1String("li")) ? QStringLiteral("\n• ")
                                                             : QStringLiteral("\n");
                }
                tag.clear();
            } else {
                tag += c;
            }
        } else if (c == u'<') {
            inTag = true;
        } else {
            out += c;
        }
    }
    out.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    out.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    out.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    out.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    out.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    static const QRegularExpression blankLines(QStringLiteral("\\n\\s*\\n\\s*\\n+"));
    static const QRegularExpression spaces(QStringLiteral("[ \\t]+"));
    out.replace(spaces, QStringLiteral(" "));
    out.replace(blankLines, QStringLiteral("\n\n"));
    return out.trimmed();
}

}  // namespace UpdateFeed
}  // namespace mirelon
