// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/SimulatedPicture.h"

#include "platform/files/RegularFile.h"
#include "platform/qt/Logging.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>

namespace mirelon::SimulatedPicture {

std::optional<QByteArray> read(const SimulatedCameraFile& camera, const QString& folder) {
    if (camera.image.isEmpty()) {
        return std::nullopt;
    }
    QString error;
    auto bytes =
        RegularFile::read(QDir(folder).filePath(camera.image), maximumFileSize + 1, &error);
    if (!bytes || bytes->size() > maximumFileSize) {
        qCWarning(lcCapture).noquote()
            << QStringLiteral("Simulated camera %1: cannot use the image %2 (%3)")
                   .arg(
                       camera.id, camera.image,
                       bytes ? QStringLiteral("larger than %1 bytes").arg(maximumFileSize) : error);
        return std::nullopt;
    }
    QBuffer buffer(&*bytes);
    buffer.open(QIODevice::ReadOnly);
    const QSize size = QImageReader(&buffer).size();
    if (!size.isValid() || size.width() > 8192 || size.height() > 8192) {
        qCWarning(lcCapture).noquote()
            << QStringLiteral("Simulated camera %1: cannot use the image %2 (%3)")
                   .arg(camera.id, camera.image,
                        size.isValid() ? QStringLiteral("larger than 8192 x 8192 pixels")
                                       : QStringLiteral("not a picture"));
        return std::nullopt;
    }
    return bytes;
}

QImage decode(const QByteArray& data, const SimulatedCameraFile& camera) {
    QByteArray copy = data;  // shared, not copied: QBuffer wants a mutable one
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image = reader.read();
    if (image.isNull()) {
        qCWarning(lcCapture).noquote() << "Simulated camera" << camera.id << ": cannot read"
                                       << camera.image << "-" << reader.errorString();
    }
    return image;
}

QImage load(const SimulatedCameraFile& camera, const QString& folder) {
    const auto data = read(camera, folder);
    return data ? decode(*data, camera) : QImage();
}

}  // namespace mirelon::SimulatedPicture
