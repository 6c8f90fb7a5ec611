#pragma once

#include <QString>

namespace mirona {

// Why a save failed, in Japanese whatever the locale, for the system error number `error`: one
// line for each common cause (no such folder, a folder's name or a file in the folder path, no
// permission, a read-only medium, a full disk or too large a file, too long a name). Any other
// number, 0 included, gives a line saying that the reason is not known followed by
// `systemText`, the system's own description.
[[nodiscard]] QString saveFailureReason(int error, const QString& systemText);

} // namespace mirona
