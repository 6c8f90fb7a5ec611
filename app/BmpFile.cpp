#include "app/BmpFile.hpp"

#include "app/SaveFailure.hpp"
#include "canvas/BmpEncoder.hpp"

#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <cerrno>

namespace mirona {

namespace {

// Why `file`'s last operation failed, given the error number it left. QSaveFile refuses a
// folder's name by itself, with no system error; otherwise its text is the system's text for the
// error number, and the number names the reason only when the two agree.
QString failure(const QSaveFile& file, int error) {
    if (QFileInfo(file.fileName()).isDir())
        error = EISDIR;
    else if (file.errorString() != qt_error_string(error))
        error = 0;
    return saveFailureReason(error, file.errorString());
}

} // namespace

std::optional<QString> saveBmp(const QImage& image, const QString& fileName) {
    // Encoded in memory first, so that a failing file write reports the system's reason
    // rather than a half-flushed buffer's "unknown error".
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const std::vector<std::uint8_t> encoded =
        encodeBmp({reinterpret_cast<const std::uint32_t*>(rgb.constBits()),
                   static_cast<std::size_t>(rgb.width()) * rgb.height()},
                  rgb.width(), rgb.height(), rgb.dotsPerMeterX());
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(encoded.data()),
                                                     static_cast<qsizetype>(encoded.size()));

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file, errno);
    // A write may stop short (a file size limit); the next one then reports why.
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            return failure(file, errno); // the destructor removes the temporary file
        written += n;
    }
    if (!file.commit())
        return failure(file, errno);
    return std::nullopt;
}

} // namespace mirona
