#include "app/SaveFailure.hpp"

#include <cerrno>

namespace mirona {

QString saveFailureReason(int error, const QString& systemText) {
    switch (error) {
    case ENOENT:
        return QStringLiteral("保存先のフォルダがありません。");
    case EISDIR:
        return QStringLiteral("同じ名前のフォルダがあります。");
    case ENOTDIR:
        return QStringLiteral("保存先のフォルダの代わりに同じ名前のファイルがあります。");
    case EACCES:
    case EPERM:
        return QStringLiteral("この場所に保存する権限がありません。");
    case EROFS:
        return QStringLiteral("保存先は書き込みのできない場所です。");
    case ENOSPC:
        return QStringLiteral("ディスクの空きが足りません。");
    case EFBIG:
        return QStringLiteral("ファイルが大きすぎます。");
    case ENAMETOOLONG:
        return QStringLiteral("ファイルの名前が長すぎます。");
    default:
        return QStringLiteral("原因はわかりません。\n") + systemText;
    }
}

} // namespace mirona
