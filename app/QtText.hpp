#pragma once

#include <QString>
#include <string_view>

namespace mirona {

// A UTF-8 text, such as those of texts/, as Qt's string.
inline QString qtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace mirona
