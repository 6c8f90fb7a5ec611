#include "app/PictureFile.hpp"

#include "app/QtText.hpp"
#include "canvas/History.hpp"
#include "texts/Texts.hpp"

#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <utility>

namespace mirona {

namespace {

// The decoder may allocate one picture of the largest size at four bytes a pixel.
constexpr int kAllocationLimitMiB =
    static_cast<int>(std::int64_t{History::kMaxSide} * History::kMaxSide * 4 >> 20);

// Whether every pixel's colour index is in the image's colour table: decoders leave indices past
// a short palette as they find them, which no colour stands for.
bool indicesInPalette(const QImage& image) {
    if (image.format() == QImage::Format_Indexed8) {
        const int colours = image.colorCount();
        for (int y = 0; y < image.height(); ++y) {
            const uchar* row = image.constScanLine(y);
            if (*std::max_element(row, row + image.width()) >= colours)
                return false;
        }
        return true;
    }
    if ((image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB) &&
        image.colorCount() < 2) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelIndex(x, y) >= image.colorCount())
                    return false;
    }
    return true;
}

// What the first bytes of a BMP or PNG file say that Qt's decoders do not tell: the size its
// header gives even where the decoder refuses it as absurd, and, for an uncompressed BMP, whether
// the file is too short for the pixels that size takes (the BMP decoder shows a truncated file's
// missing rows as black rather than failing).
struct HeaderFacts {
    qint64 width = 0;
    qint64 height = 0;
    bool pixelsMissing = false;
};

HeaderFacts headerFacts(QIODevice& device) {
    const QByteArray head = device.peek(34);
    const auto* b = reinterpret_cast<const uchar*>(head.constData());
    HeaderFacts facts;
    if (head.size() >= 24 && head.startsWith("\x89PNG\r\n\x1a\n")) {
        facts.width = qFromBigEndian<quint32>(b + 16);
        facts.height = qFromBigEndian<quint32>(b + 20);
    } else if (head.size() >= 34 && head.startsWith("BM") &&
               qFromLittleEndian<quint32>(b + 14) >= 40) {
        facts.width = std::abs(qint64{qFromLittleEndian<qint32>(b + 18)});
        facts.height = std::abs(qint64{qFromLittleEndian<qint32>(b + 22)});
        const quint16 bits = qFromLittleEndian<quint16>(b + 28);
        const quint32 compression = qFromLittleEndian<quint32>(b + 30);
        const qint64 rowBytes = (facts.width * bits + 31) / 32 * 4;
        // In floating point: a damaged header's sides can make a product no integer holds.
        const double needed = qFromLittleEndian<quint32>(b + 10) +
                              static_cast<double>(rowBytes) * static_cast<double>(facts.height);
        facts.pixelsMissing = (compression == 0 || compression == 3) &&
                              needed > static_cast<double>(device.size() - device.pos());
    }
    return facts;
}

// Whether libpng found colour indices past the palette while a read ran: it tells so only as a
// warning, which Qt logs, and shows such pixels in the palette's first colour.
class PaletteWarningWatch final {
public:
    PaletteWarningWatch() {
        seen_ = false;
        previous_ = qInstallMessageHandler(&PaletteWarningWatch::handle);
    }
    ~PaletteWarningWatch() { qInstallMessageHandler(previous_); }
    PaletteWarningWatch(const PaletteWarningWatch&) = delete;
    PaletteWarningWatch& operator=(const PaletteWarningWatch&) = delete;
    [[nodiscard]] bool seen() const { return seen_; }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (text.contains(QLatin1String("palette index exceeding"))) {
            seen_ = true;
            return;
        }
        if (previous_ != nullptr)
            previous_(type, context, text);
    }
    static inline QtMessageHandler previous_ = nullptr;
    static inline bool seen_ = false;
};

} // namespace

std::variant<QImage, OpenFailure> readPicture(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return OpenFailure::Unreadable;
    return readPicture(file);
}

std::variant<QImage, OpenFailure> readPicture(QIODevice& device) {
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(kAllocationLimitMiB);
    if (!reader.canRead())
        return reader.error() == QImageReader::DeviceError ? OpenFailure::Unreadable
                                                           : OpenFailure::NotImage;
    const HeaderFacts facts = headerFacts(device);
    const QSize size = reader.size();
    if ((size.isValid() &&
         (size.width() > History::kMaxSide || size.height() > History::kMaxSide)) ||
        facts.width > History::kMaxSide || facts.height > History::kMaxSide)
        return OpenFailure::TooLarge;
    if (facts.pixelsMissing)
        return OpenFailure::Broken;
    QImage image;
    PaletteWarningWatch paletteWarning;
    if (!reader.read(&image)) {
        switch (reader.error()) {
        case QImageReader::DeviceError:
            return OpenFailure::Unreadable;
        case QImageReader::UnsupportedFormatError:
            return OpenFailure::NotImage;
        default:
            return OpenFailure::Broken;
        }
    }
    auto picture = pictureOf(std::move(image));
    if (paletteWarning.seen() && std::holds_alternative<QImage>(picture))
        return OpenFailure::Broken;
    return picture;
}

std::variant<QImage, OpenFailure> pictureOf(QImage image) {
    if (image.width() > History::kMaxSide || image.height() > History::kMaxSide)
        return OpenFailure::TooLarge;
    if (image.isNull() || !indicesInPalette(image))
        return OpenFailure::Broken;
    // In place where the depth stays, which it does for the usual 32-bit decoders' output.
    image.convertTo(QImage::Format_RGBA8888);
    return image;
}

QString openFailureText(OpenFailure failure) {
    switch (failure) {
    case OpenFailure::Broken:
        return qtText(textOf("OpenBroken"));
    case OpenFailure::NotImage:
        return qtText(textOf("OpenNotImage"));
    case OpenFailure::TooLarge:
        return qtText(textOf("OpenTooLarge"));
    case OpenFailure::Unreadable:
        break;
    }
    return qtText(textOf("OpenUnreadable"));
}

} // namespace mirona
