#pragma once

#include <QImage>
#include <QString>
#include <variant>

class QIODevice;

namespace mirona {

// Why a file could not be opened as a picture.
enum class OpenFailure { Broken, NotImage, TooLarge, Unreadable };

// Reads an image file with Qt's own decoders, whatever its name's extension: BMP, PNG, JPEG, GIF
// and any other format the installed Qt can read. The size comes from the header first, and a
// side over History::kMaxSide is refused before anything is decoded; the decoder's allocations
// are limited to what such a picture needs. Returns the image in Format_RGBA8888 (bytes R, G,
// B, alpha), with sides from 1 to kMaxSide, or why not: a file that cannot be opened for reading
// is Unreadable, one that no decoder recognises NotImage, a recognised one that does not decode
// whole (truncated, a size of 0, colour indices past its palette) Broken.
[[nodiscard]] std::variant<QImage, OpenFailure> readPicture(const QString& fileName);
// The same from an open device (the bytes of an image on the clipboard), read from where it
// stands: a device that fails while being read is Unreadable.
[[nodiscard]] std::variant<QImage, OpenFailure> readPicture(QIODevice& device);
// The same checks of an image some other decoder made (the platform's, for a pasted image that
// comes as pixels): a side over History::kMaxSide is TooLarge, a null image Broken.
[[nodiscard]] std::variant<QImage, OpenFailure> pictureOf(QImage image);

// Why, as one line in Japanese.
[[nodiscard]] QString openFailureText(OpenFailure failure);

} // namespace mirona
