#pragma once

#include <QIcon>

namespace mirona {

// The program's icon for its windows: the renderings of packaging/jp.mirona.Mirona.svg made at
// build time, one pixmap per size, embedded in the program. Needs a QGuiApplication.
[[nodiscard]] QIcon applicationIcon();

} // namespace mirona
