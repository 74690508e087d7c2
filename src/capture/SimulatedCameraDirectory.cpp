// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/SimulatedCameraDirectory.h"

#include "platform/Logging.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>

#include <cmath>
#include <utility>

namespace mirelon {
namespace {

constexpr qint64 kMaxFileSize = 64 * 1024;

bool readInt(const QJsonObject& o, const QString& key, int low, int high, int& out,
             QString* error) {
    const QJsonValue v = o.value(key);
    if (v.isUndefined()) {
        return true;
    }
    const double d = v.toDouble(std::nan(""));
    if (!v.isDouble() || !std::isfinite(d) || d != std::floor(d) || d < low || d > high) {
        if (error) {
            *error = QStringLiteral("\"%1\" must be a whole number from %2 to %3")
                         .arg(key)
                         .arg(low)
                         .arg(high);
        }
        return false;
    }
    out = static_cast<int>(d);
    return true;
}

}  // namespace

std::optional<SimulatedCameraSpec> SimulatedCameraSpec::parse(const QString& id,
                                                              const QByteArray& json,
                                                              QString* error) {
    auto fail = [&](const QString& why) -> std::optional<SimulatedCameraSpec> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return fail(parseError.errorString());
    }
    if (!doc.isObject()) {
        return fail(QStringLiteral("not a JSON object"));
    }
    const QJsonObject o = doc.object();
    SimulatedCameraSpec spec;
    spec.id = id;
    if (!o.value(QStringLiteral("name")).isString()) {
        return fail(QStringLiteral("\"name\" is missing or not a string"));
    }
    spec.name = o.value(QStringLiteral("name")).toString();
    const QJsonValue isDefault = o.value(QStringLiteral("isDefault"));
    if (!isDefault.isUndefined()) {
        if (!isDefault.isBool()) {
            return fail(QStringLiteral("\"isDefault\" must be true or false"));
        }
        spec.isDefault = isDefault.toBool();
    }
    const QJsonValue pattern = o.value(QStringLiteral("pattern"));
    if (!pattern.isUndefined()) {
        static const QRegularExpression patternName(QStringLiteral("^[a-z0-9-]{1,32}$"));
        if (!pattern.isString() || !patternName.match(pattern.toString()).hasMatch()) {
            return fail(QStringLiteral("\"pattern\" must be a test pattern name"));
        }
        spec.pattern = pattern.toString();
    }
    if (!readInt(o, QStringLiteral("width"), 16, 7680, spec.width, error) ||
        !readInt(o, QStringLiteral("height"), 16, 4320, spec.height, error) ||
        !readInt(o, QStringLiteral("fps"), 1, 240, spec.fps, error)) {
        return std::nullopt;
    }
    const QJsonValue failMode = o.value(QStringLiteral("fail"));
    if (!failMode.isUndefined()) {
        static const QMap<QString, SimulatedFailure> modes = {
            {QStringLiteral("none"), SimulatedFailure::none},
            {QStringLiteral("open"), SimulatedFailure::open},
            {QStringLiteral("start"), SimulatedFailure::start},
            {QStringLiteral("stall"), SimulatedFailure::stall},
        };
        if (!failMode.isString() || !modes.contains(failMode.toString())) {
            return fail(
                QStringLiteral("\"fail\" must be \"none\", \"open\", \"start\" or \"stall\""));
        }
        spec.fail = modes.value(failMode.toString());
    }
    if (!readInt(o, QStringLiteral("corruptEvery"), 0, 1000000, spec.corruptEvery, error)) {
        return std::nullopt;
    }
    const QJsonValue image = o.value(QStringLiteral("image"));
    if (!image.isUndefined()) {
        // A plain file name inside the folder: no paths, nothing hidden.
        static const QRegularExpression fileName(
            QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9._-]{0,127}$"));
        if (!image.isString() || !fileName.match(image.toString()).hasMatch()) {
            return fail(QStringLiteral("\"image\" must be a file name in the folder"));
        }
        spec.image = image.toString();
    }
    const QJsonValue modes = o.value(QStringLiteral("modes"));
    if (!modes.isUndefined()) {
        if (!modes.isArray() || modes.toArray().size() > 64) {
            return fail(QStringLiteral("\"modes\" must be a list of at most 64 modes"));
        }
        static const QStringList formats = {QStringLiteral("mjpeg"), QStringLiteral("yuy2"),
                                            QStringLiteral("nv12"), QStringLiteral("i420")};
        for (const QJsonValue& m : modes.toArray()) {
            if (!m.isObject()) {
                return fail(QStringLiteral("every mode must be an object"));
            }
            const QJsonObject mo = m.toObject();
            SimulatedCameraMode mode;
            if (!mo.value(QStringLiteral("format")).isString() ||
                !formats.contains(mo.value(QStringLiteral("format")).toString())) {
                return fail(QStringLiteral(
                    "a mode's \"format\" must be \"mjpeg\", \"yuy2\", \"nv12\" or \"i420\""));
            }
            mode.format = mo.value(QStringLiteral("format")).toString();
            mode.width = 0;
            mode.height = 0;
            mode.fps = 0;
            if (!mo.contains(QStringLiteral("width")) || !mo.contains(QStringLiteral("height")) ||
                !mo.contains(QStringLiteral("fps"))) {
                return fail(QStringLiteral("a mode needs \"width\", \"height\" and \"fps\""));
            }
            // Even sizes: the YUV layouts pair pixels.
            if (!readInt(mo, QStringLiteral("width"), 16, 7680, mode.width, error) ||
                !readInt(mo, QStringLiteral("height"), 16, 4320, mode.height, error) ||
                !readInt(mo, QStringLiteral("fps"), 1, 240, mode.fps, error)) {
                return std::nullopt;
            }
            if (mode.width % 2 || mode.height % 2) {
                return fail(QStringLiteral("a mode's width and height must be even"));
            }
            spec.modes.append(mode);
        }
    }
    return spec;
}

QString SimulatedCameraSpec::modesCaps() const {
    QStringList parts;
    for (const SimulatedCameraMode& m : modes) {
        const QString size =
            QStringLiteral("width=(int)%1, height=(int)%2, framerate=(fraction)%3/1")
                .arg(m.width)
                .arg(m.height)
                .arg(m.fps);
        if (m.format == QLatin1String("mjpeg")) {
            parts << QStringLiteral("image/jpeg, ") + size;
        } else {
            parts << QStringLiteral("video/x-raw, format=(string)%1, ").arg(m.format.toUpper()) +
                         size;
        }
    }
    return parts.join(QStringLiteral("; "));
}

SimulatedCameraDirectory::SimulatedCameraDirectory(QString folder, NotificationCenter& center)
    : folder_(std::move(folder)), center_(center), watch_(folder_) {
    connect(&watch_, &FolderWatch::entriesChanged, this, [this](const QStringList& names) {
        for (const QString& name : names) {
            pendingEntries_.insert(name);
        }
        scheduleRescan();
    });
    connect(&watch_, &FolderWatch::folderReset, this, [this] {
        pendingFullRescan_ = true;
        scheduleRescan();
    });
    // The initial list is the starting state, not a connection.
    announce_ = false;
    rescan();
    announce_ = true;
}

SimulatedCameraDirectory::~SimulatedCameraDirectory() = default;

void SimulatedCameraDirectory::scheduleRescan() {
    // Coalesce bursts of file events; well within the 200 ms promise.
    if (!pendingRescan_.isPending()) {
        pendingRescan_ = Scheduler::main().schedule(0.03, [this] { runPendingRescan(); });
    }
}

void SimulatedCameraDirectory::runPendingRescan() {
    const QStringList names(pendingEntries_.begin(), pendingEntries_.end());
    pendingEntries_.clear();
    if (std::exchange(pendingFullRescan_, false)) {
        rescan();
    } else if (!names.isEmpty()) {
        rescanEntries(names);
    }
}

QList<AvailableCameraDevice> SimulatedCameraDirectory::devices() const {
    QList<AvailableCameraDevice> out;
    for (const auto& spec : cameras_) {
        out.append(AvailableCameraDevice{spec.id, spec.name, spec.isDefault});
    }
    return out;
}

std::optional<SimulatedCameraSpec> SimulatedCameraDirectory::spec(const QString& id) const {
    const auto it = cameras_.find(id);
    if (it == cameras_.end()) {
        return std::nullopt;
    }
    return *it;
}

void SimulatedCameraDirectory::rescan() {
    const QDir dir(folder_);
    QMap<QString, SimulatedCameraSpec> found;
    const auto entries = dir.entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    QSet<QString> present;
    for (const QFileInfo& info : entries) {
        const QString id = info.completeBaseName();
        if (id.isEmpty()) {
            continue;
        }
        present.insert(id);
        if (auto spec = readCameraFile(info)) {
            found.insert(id, *spec);
        }
    }
    for (auto it = rejected_.begin(); it != rejected_.end();) {
        it = present.contains(it.key()) ? std::next(it) : rejected_.erase(it);
    }
    publish(found);
}

void SimulatedCameraDirectory::rescanEntries(const QStringList& names) {
    QMap<QString, SimulatedCameraSpec> found = cameras_;
    const QDir dir(folder_);
    for (const QString& name : names) {
        // The same files the full listing takes: visible "<id>.json" files.
        if (name.startsWith(u'.') || !name.endsWith(QLatin1String(".json"))) {
            continue;
        }
        const QFileInfo info(dir.filePath(name));
        const QString id = info.completeBaseName();
        if (id.isEmpty()) {
            continue;
        }
        found.remove(id);
        if (!info.isFile()) {
            rejected_.remove(id);
            continue;
        }
        if (auto spec = readCameraFile(info)) {
            found.insert(id, *spec);
        }
    }
    publish(found);
}

std::optional<SimulatedCameraSpec> SimulatedCameraDirectory::readCameraFile(const QFileInfo& info) {
    const QString id = info.completeBaseName();
    const auto content = RegularFile::read(info.absoluteFilePath(), kMaxFileSize + 1);
    if (!content || content->size() > kMaxFileSize) {
        if (!rejected_.contains(id)) {
            qCWarning(lcCapture).noquote()
                << "Ignoring simulated camera" << info.fileName() << ": unreadable or too large";
            rejected_.insert(id, QByteArray());
        }
        return std::nullopt;
    }
    QString error;
    auto spec = SimulatedCameraSpec::parse(id, *content, &error);
    if (!spec) {
        if (rejected_.value(id, QByteArray("\x01")) != *content) {
            qCWarning(lcCapture).noquote()
                << "Ignoring simulated camera" << info.fileName() << ":" << error;
            rejected_.insert(id, *content);
        }
        return std::nullopt;
    }
    rejected_.remove(id);
    return spec;
}

void SimulatedCameraDirectory::publish(const QMap<QString, SimulatedCameraSpec>& found) {
    const QMap<QString, SimulatedCameraSpec> previous = cameras_;
    cameras_ = found;
    if (!announce_) {
        return;
    }
    for (auto it = previous.begin(); it != previous.end(); ++it) {
        if (!found.contains(it.key())) {
            qCInfo(lcCapture).noquote() << "Camera disconnected:" << it->name << it.key();
            center_.post(Notifications::cameraDisconnected, it.key());
        }
    }
    for (auto it = found.begin(); it != found.end(); ++it) {
        if (!previous.contains(it.key())) {
            qCInfo(lcCapture).noquote() << "Camera connected:" << it->name << it.key();
            center_.post(Notifications::cameraConnected, it.key());
        } else if (previous.value(it.key()) != *it) {
            center_.post(Notifications::cameraChanged, it.key());
        }
    }
}

}  // namespace mirelon
