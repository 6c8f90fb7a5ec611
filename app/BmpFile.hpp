#pragma once

#include <QString>
#include <optional>

class QImage;

namespace mirona {

// Writes `image` to `fileName` as a Windows bitmap (24 bits per pixel), whatever the name's
// extension; the name is used exactly as given.
//
// The write is atomic: the bytes go to a temporary file beside the target, which replaces the
// target only once everything is written. On failure neither a partial file nor a temporary
// file remains and an existing target is left as it was. Returns the reason, in Japanese, when the
// file could not be written (see saveFailureReason), nothing on success.
[[nodiscard]] std::optional<QString> saveBmp(const QImage& image, const QString& fileName);

} // namespace mirona
