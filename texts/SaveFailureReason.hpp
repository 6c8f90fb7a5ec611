#pragma once

#include <string_view>

namespace mirona {

// Why a picture could not be saved, as the desktop program and the web page both tell it.
enum class SaveFailureReason {
    NoFolder,
    FolderOfThatName,
    FileInFolderPath,
    NoPermission,
    ReadOnlyPlace,
    DiskFull,
    FileTooLarge,
    NameTooLong,
    Unknown,
};

// The reason as one line in Japanese, UTF-8.
constexpr std::string_view saveFailureText(SaveFailureReason reason) {
    switch (reason) {
    case SaveFailureReason::NoFolder:
        return "保存先のフォルダがありません。";
    case SaveFailureReason::FolderOfThatName:
        return "同じ名前のフォルダがあります。";
    case SaveFailureReason::FileInFolderPath:
        return "保存先のフォルダの代わりに同じ名前のファイルがあります。";
    case SaveFailureReason::NoPermission:
        return "この場所に保存する権限がありません。";
    case SaveFailureReason::ReadOnlyPlace:
        return "保存先は書き込みのできない場所です。";
    case SaveFailureReason::DiskFull:
        return "ディスクの空きが足りません。";
    case SaveFailureReason::FileTooLarge:
        return "ファイルが大きすぎます。";
    case SaveFailureReason::NameTooLong:
        return "ファイルの名前が長すぎます。";
    case SaveFailureReason::Unknown:
        break;
    }
    return "原因はわかりません。";
}

} // namespace mirona
