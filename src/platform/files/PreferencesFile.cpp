// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/PreferencesFile.h"

#include "platform/files/PreferencesSaveRefusal.h"
#include "platform/files/RegularFile.h"
#include "platform/qt/Logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

namespace mirelon {
namespace {

const QString kDataKey = QStringLiteral("$data");
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

QString utcTimestamp() {
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Where a write to path lands: the final target when path is a symbolic link
// (a link into a dotfiles folder stays a link), otherwise path itself.
QString resolveLinks(const QString& path) {
    QString current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(QFile::encodeName(current).constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return current;
        }
        const QString target = QFile::symLinkTarget(current);
        if (target.isEmpty()) {
            return current;
        }
        current = target;
    }
    return {};  // a loop of links: nothing to write to
}

// The file a save to path may replace: path itself when it is missing or a
// regular file, the final target of a link when that is a regular file or is
// missing in a folder of the user's own. Empty, with the reason in *refusal,
// for anything else: a save never replaces a FIFO, device, socket or folder.
QString saveTargetOf(const QString& path, QString* refusal) {
    struct stat own {};
    if (::lstat(QFile::encodeName(path).constData(), &own) != 0 || S_ISREG(own.st_mode)) {
        return path;  // missing (its folder is ours) or an ordinary file
    }
    if (S_ISDIR(own.st_mode)) {
        *refusal = QStringLiteral("a folder is in its place");
        return {};
    }
    if (!S_ISLNK(own.st_mode)) {
        // Kept aside before a save; still here when that failed.
        *refusal = QStringLiteral("it is not a regular file");
        return {};
    }
    const QString target = resolveLinks(path);
    if (target.isEmpty()) {
        *refusal = QStringLiteral("its symbolic links form a loop");
        return {};
    }
    struct stat st {};
    if (::lstat(QFile::encodeName(target).constData(), &st) == 0) {
        if (S_ISREG(st.st_mode)) {
            return target;
        }
        *refusal =
            QStringLiteral("it is a symbolic link to %1, which is not a regular file").arg(target);
        return {};
    }
    if (errno != ENOENT) {
        *refusal = QStringLiteral("its link target %1 cannot be examined (%2)")
                       .arg(target, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    // A link to a file still to be made: only into a folder of the user's own.
    const QString folder = QFileInfo(target).absolutePath();
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::geteuid()) {
        *refusal = QStringLiteral(
                       "it is a symbolic link to the missing file %1 in a folder that does not "
                       "exist or is not yours")
                       .arg(target);
        return {};
    }
    return target;
}

// Temporaries of an interrupted write: ".defaults.json.XXXXXX" (mkstemp).
bool isOwnTemporaryName(const QString& name) {
    static const QString prefix = QStringLiteral(".defaults.json.");
    return name.startsWith(prefix) && name.size() == prefix.size() + 6;
}

}  // namespace

PreferencesFile::PreferencesFile(QString filePath, EventBus& center, QObject* parent)
    : QObject(parent), filePath_(std::move(filePath)), center_(center) {
    warnAboutSharedFolder();
    removeLeftoverTemporaries();
    load(false);
    watch();
    // Editors may write in several steps: settle for a moment before reading.
    auto scheduleReload = [this] {
        if (!pendingReload_.isPending()) {
            pendingReload_ = Scheduler::main().schedule(0.05, [this] { reloadFromDisk(); });
        }
    };
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, scheduleReload);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, scheduleReload);
}

PreferencesFile::~PreferencesFile() = default;

QString PreferencesFile::standardFilePath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/mirelon/defaults.json");
}

PreferencesFile& PreferencesFile::standard() {
    static PreferencesFile* instance = new PreferencesFile(standardFilePath());
    return *instance;
}

QString PreferencesFile::writeTarget() const {
    return resolveLinks(filePath_);
}

void PreferencesFile::warnAboutSharedFolder() {
    const QString folder = QFileInfo(filePath_).absolutePath();
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) == 0 && (st.st_mode & S_IWOTH) != 0) {
        qCWarning(lcDefaults).noquote()
            << "The preferences folder" << folder
            << "is writable by other users; they can change or replace your preferences";
    }
}

void PreferencesFile::removeLeftoverTemporaries() {
    // Only one instance writes these files, and it has not written yet: any
    // temporary of ours still there is what a killed write left behind.
    QString refusal;
    const QString target = saveTargetOf(filePath_, &refusal);
    const QDir dir(QFileInfo(target.isEmpty() ? filePath_ : target).absolutePath());
    const auto names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!isOwnTemporaryName(name)) {
            continue;
        }
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid() && ::unlink(path.constData()) == 0) {
            qCInfo(lcDefaults).noquote()
                << "Removed" << dir.filePath(name) << "left over from an interrupted save";
        }
    }
}

void PreferencesFile::watch() {
    const QFileInfo info(filePath_);
    QDir().mkpath(info.absolutePath());
    // A rename replaces the file a file watch follows: the folder watch catches it.
    if (!watcher_.directories().contains(info.absolutePath())) {
        watcher_.addPath(info.absolutePath());
    }
    // Through a link, our own saves (and other edits) land in the target's folder.
    QString refusal;
    const QString target = saveTargetOf(filePath_, &refusal);
    const QString targetFolder = QFileInfo(target).absolutePath();
    if (!target.isEmpty() && targetFolder != info.absolutePath() &&
        QFileInfo(targetFolder).isDir() && !watcher_.directories().contains(targetFolder)) {
        watcher_.addPath(targetFolder);
    }
    if (info.isFile() && !watcher_.files().contains(filePath_)) {
        watcher_.addPath(filePath_);
    }
}

void PreferencesFile::load(bool notify) {
    const QByteArray encoded = QFile::encodeName(filePath_);
    struct stat own {};
    struct stat resolved {};
    const bool present = ::lstat(encoded.constData(), &own) == 0;
    const bool exists = ::stat(encoded.constData(), &resolved) == 0;
    QByteArray bytes;
    bool readable = false;
    QString why;
    if (exists) {
        // Never opened unless it is a regular file: a FIFO would block the
        // program until someone writes to it.
        if (auto content = RegularFile::read(filePath_, kMaxFileSize + 1, &why)) {
            if (content->size() <= kMaxFileSize) {
                bytes = std::move(*content);
                readable = true;
            } else {
                why = QStringLiteral("larger than %1 bytes").arg(kMaxFileSize);
            }
        }
    }
    if (notify && readable && bytes == lastSeenBytes_) {
        return;  // our own write, or nothing changed
    }
    const bool unreadable = exists && !readable;
    if (notify && unreadable && unreadableAtLastLoad_) {
        // Still the thing we cannot read (a folder event from our own failed
        // write, say): keep what this session holds in memory, log nothing new.
        return;
    }
    unreadableAtLastLoad_ = unreadable;
    QJsonObject parsed;
    bool corrupt = false;
    if (exists && !readable) {
        corrupt = true;
        qCWarning(lcDefaults).noquote()
            << QStringLiteral("Preferences file %1 cannot be read (%2); using defaults")
                   .arg(filePath_, why);
    } else if (readable) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject()) {
            corrupt = true;
            qCWarning(lcDefaults).noquote()
                << "Preferences file" << filePath_ << "is not a JSON object ("
                << (error.error != QJsonParseError::NoError
                        ? error.errorString()
                        : QStringLiteral("wrong top-level type"))
                << "); using defaults, the file is kept aside at the next change";
        } else {
            parsed = doc.object();
        }
    }
    // A regular file we could not use (unparsable, or too large to read) is
    // kept aside before the next write, and so is a FIFO, socket or device
    // node in the file's own place. A folder, or whatever a link leads to
    // other than a regular file, is never moved or replaced.
    bool keepAside = false;
    if (present && S_ISLNK(own.st_mode)) {
        keepAside = exists && S_ISREG(resolved.st_mode);
    } else if (present) {
        keepAside = !S_ISDIR(own.st_mode);
    }
    corruptOnDisk_ = corrupt && keepAside;
    lastSeenBytes_ = bytes;
    const bool changed = parsed != values_;
    values_ = parsed;
    if (notify && changed) {
        center_.post(Notifications::defaultsChanged);
    }
}

void PreferencesFile::reloadFromDisk() {
    watch();
    load(true);
}

std::optional<bool> PreferencesFile::boolValue(const QString& key) const {
    const QJsonValue v = values_.value(key);
    if (v.isBool()) {
        return v.toBool();
    }
    if (v.isDouble()) {
        return v.toDouble() != 0.0;
    }
    return std::nullopt;
}

std::optional<double> PreferencesFile::doubleValue(const QString& key) const {
    const QJsonValue v = values_.value(key);
    if (v.isDouble()) {
        return v.toDouble();
    }
    if (v.isBool()) {
        return v.toBool() ? 1.0 : 0.0;
    }
    return std::nullopt;
}

std::optional<QString> PreferencesFile::stringValue(const QString& key, bool acceptNumber) const {
    const QJsonValue v = values_.value(key);
    if (v.isString()) {
        return v.toString();
    }
    if (acceptNumber && v.isDouble()) {
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    }
    return std::nullopt;
}

std::optional<QByteArray> PreferencesFile::dataValue(const QString& key) const {
    const QJsonValue v = values_.value(key);
    if (!v.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = v.toObject();
    if (o.size() != 1 || !o.value(kDataKey).isString()) {
        return std::nullopt;
    }
    const auto decoded = QByteArray::fromBase64Encoding(o.value(kDataKey).toString().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        return std::nullopt;
    }
    return *decoded;
}

void PreferencesFile::setBool(const QString& key, bool value) {
    setValue(key, QJsonValue(value));
}

void PreferencesFile::setDouble(const QString& key, double value) {
    if (!std::isfinite(value)) {
        qCWarning(lcDefaults).noquote() << "Refusing to store a non-finite number under" << key;
        return;
    }
    setValue(key, QJsonValue(value));
}

void PreferencesFile::setString(const QString& key, const QString& value) {
    setValue(key, QJsonValue(value));
}

void PreferencesFile::setData(const QString& key, const QByteArray& value) {
    setValue(key, QJsonObject{{kDataKey, QString::fromLatin1(value.toBase64())}});
}

void PreferencesFile::setValue(const QString& key, const QJsonValue& value) {
    if (value.isUndefined()) {
        remove(key);
        return;
    }
    values_.insert(key, value);
    write();
    center_.post(Notifications::defaultsChanged);
}

void PreferencesFile::remove(const QString& key) {
    values_.remove(key);
    write();
    center_.post(Notifications::defaultsChanged);
}

QString PreferencesFile::copyValueAside(const QString& key) {
    if (!values_.contains(key)) {
        return {};
    }
    const QString asideKey = key + QStringLiteral(".corrupt-") + utcTimestamp();
    setValue(asideKey, values_.value(key));
    return asideKey;
}

void PreferencesFile::keepCorruptFileAside() {
    if (!corruptOnDisk_) {
        return;
    }
    // Through a link, the target is kept aside and the link stays for the new
    // file; what a link leads to is moved only while it is a regular file.
    const QString target = writeTarget();
    const QString aside = target + QStringLiteral(".corrupt-") + utcTimestamp();
    int error = ELOOP;
    if (!target.isEmpty()) {
        struct stat st {};
        const QByteArray from = QFile::encodeName(target);
        if (target != filePath_ && (::lstat(from.constData(), &st) != 0 || !S_ISREG(st.st_mode))) {
            error = EPERM;  // the link now leads to something else: leave it
        } else if (::rename(from.constData(), QFile::encodeName(aside).constData()) != 0) {
            error = errno;
        } else {
            error = 0;
        }
    }
    if (error == 0) {
        qCWarning(lcDefaults).noquote() << "Kept the unreadable preferences file as" << aside;
        corruptOnDisk_ = false;
        keepAsideFailureLogged_ = false;
    } else if (!keepAsideFailureLogged_) {
        keepAsideFailureLogged_ = true;
        qCWarning(lcDefaults).noquote()
            << "Could not keep the unreadable preferences file aside:" << std::strerror(error)
            << "(changes are kept for this session)";
    }
}

void PreferencesFile::write() {
    const QByteArray bytes = QJsonDocument(values_).toJson(QJsonDocument::Indented);
    watch();
    keepCorruptFileAside();
    if (corruptOnDisk_) {
        // Never replace a file we could not keep aside.
        lastWriteOk_ = false;
        return;
    }
    QString refusal;
    if (saveTargetOf(filePath_, &refusal).isEmpty()) {
        lastWriteOk_ = false;
        // Once until a save succeeds again, like any failed save.
        if (!std::exchange(writeFailureLogged_, true)) {
            qCWarning(lcDefaults).noquote()
                << QStringLiteral(
                       "Not saving preferences to %1: %2 (changes are kept for this session)")
                       .arg(filePath_, refusal);
            center_.post(PreferencesSaveRefusal::notification, filePath_);
        }
        return;
    }
    lastWriteOk_ = writeAtomically(bytes);
    if (lastWriteOk_) {
        lastSeenBytes_ = bytes;
        writeFailureLogged_ = false;
        watch();
    } else if (!writeFailureLogged_) {
        writeFailureLogged_ = true;
        qCWarning(lcDefaults).noquote()
            << "Could not save preferences to" << filePath_ << ":" << std::strerror(errno)
            << "(changes are kept for this session)";
    }
}

bool PreferencesFile::writeAtomically(const QByteArray& bytes) {
    QString refusal;
    const QString target = saveTargetOf(filePath_, &refusal);
    if (target.isEmpty()) {
        errno = EPERM;
        return false;
    }
    const QFileInfo info(target);
    const QByteArray dir = QFile::encodeName(info.absolutePath());
    QDir().mkpath(info.absolutePath());
    QByteArray tmpl = dir + "/.defaults.json.XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, 0600) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    // Checked once more right before the rename: something other than a
    // regular file that appeared meanwhile is never replaced.
    struct stat st {};
    if (ok && ::lstat(QFile::encodeName(target).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        ok = false;
        errno = EEXIST;
    }
    if (ok && ::rename(tmpl.constData(), QFile::encodeName(target).constData()) != 0) {
        ok = false;
    }
    if (!ok) {
        const int err = errno != 0 ? errno : savedErrno;
        ::unlink(tmpl.constData());
        errno = err;
        return false;
    }
    const int dirFd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace mirelon
