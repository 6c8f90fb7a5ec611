#include "app/SaveFailure.hpp"

#include "app/QtText.hpp"
#include "texts/SaveFailureReason.hpp"

#include <cerrno>

namespace mirona {

namespace {

SaveFailureReason reasonFor(int error) {
    switch (error) {
    case ENOENT:
        return SaveFailureReason::NoFolder;
    case EISDIR:
        return SaveFailureReason::FolderOfThatName;
    case ENOTDIR:
        return SaveFailureReason::FileInFolderPath;
    case EACCES:
    case EPERM:
        return SaveFailureReason::NoPermission;
    case EROFS:
        return SaveFailureReason::ReadOnlyPlace;
    case ENOSPC:
        return SaveFailureReason::DiskFull;
    case EFBIG:
        return SaveFailureReason::FileTooLarge;
    case ENAMETOOLONG:
        return SaveFailureReason::NameTooLong;
    default:
        return SaveFailureReason::Unknown;
    }
}

} // namespace

QString saveFailureReason(int error, const QString& systemText) {
    const SaveFailureReason reason = reasonFor(error);
    const QString line = qtText(saveFailureText(reason));
    return reason == SaveFailureReason::Unknown ? line + u'\n' + systemText : line;
}

} // namespace mirona
