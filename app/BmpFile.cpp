#include "app/BmpFile.hpp"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

namespace mirona {

std::optional<QString> saveBmp(const QImage& image, const QString& fileName) {
    // Encoded in memory first, so that a failing file write reports the system's reason
    // rather than a half-flushed buffer's "unknown error".
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, QByteArrayLiteral("bmp"));
    if (!writer.write(image))
        return writer.errorString();

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // A write may stop short (a file size limit); the next one then reports why.
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            return file.errorString(); // the destructor removes the temporary file
        written += n;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace mirona
