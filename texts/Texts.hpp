#pragma once

#include <array>
#include <string_view>

namespace mirona {

// What kind of thing shows a text: a menu's title, a plain item of it, an item with a check mark
// (one of a group), or anything else.
enum class TextRole { MenuTitle, MenuItem, RadioItem, Other };

// Which edition shows a text.
enum class Edition { Both, Desktop, Web };

// A text of the program, under the name of what shows it: the desktop's object name and the
// page's element id (or the name an element gives in data-text or data-name).
struct NamedText {
    std::string_view name;
    std::string_view text; // UTF-8
    TextRole role = TextRole::Other;
    Edition edition = Edition::Both;
};

// The menu bar in order, each title before its items; then the about box, then saving; then the
// texts of one edition only.
inline constexpr std::array kTexts{
    NamedText{"File", "ファイル", TextRole::MenuTitle},
    NamedText{"Hakushi", "白紙", TextRole::MenuItem},
    NamedText{"Hozon", "保存", TextRole::MenuItem},
    NamedText{"Quit", "終了", TextRole::MenuItem},
    NamedText{"Mode", "対称", TextRole::MenuTitle},
    NamedText{"Joge", "上下対称", TextRole::RadioItem},
    NamedText{"Sayu", "左右対称", TextRole::RadioItem},
    NamedText{"JogeSayu", "上下左右対称", TextRole::RadioItem},
    NamedText{"JogeSayuNaname", "上下左右斜め対称", TextRole::RadioItem},
    NamedText{"Byoga", "描画", TextRole::MenuTitle},
    NamedText{"MenuFreeLine", "自由曲線", TextRole::RadioItem},
    NamedText{"MenuContLine", "連続直線", TextRole::RadioItem},
    NamedText{"MenuBox", "長方形", TextRole::RadioItem},
    NamedText{"MenuEllipse", "楕円", TextRole::RadioItem},
    NamedText{"Help", "ヘルプ", TextRole::MenuTitle},
    NamedText{"Joho", "情報", TextRole::MenuItem},
    NamedText{"Form2Title", "Form2"},
    NamedText{"Label1", "ミロナ　Windows版　ver.1.00"},
    NamedText{"Label2", "美術の授業で使う、対称図形を\n描くためのソフトウェアです。"},
    NamedText{"Label3", "作者：ミロナ開発チーム"},
    NamedText{"Label4", "連絡先：学校の担当の先生まで"},
    NamedText{"Label5", "© 2026 ミロナ開発チーム　MIT"},
    NamedText{"Command1", "OK"},
    NamedText{"SaveTitle", "保存する"},
    NamedText{"BmpFilter", "BMPﾌｧｲﾙ (*.bmp)"},
    NamedText{"SaveFailed", "保存できませんでした。"},
    NamedText{"NoSuchFolder", "フォルダが見つかりません。", TextRole::Other, Edition::Desktop},
    NamedText{"Canvas", "キャンバス"},
    // The web page's own: its undo and redo buttons, its save and message dialogs, and what 終了
    // says where the browser keeps the page open.
    NamedText{"Undo", "元に戻す", TextRole::Other, Edition::Web},
    NamedText{"Redo", "やり直す", TextRole::Other, Edition::Web},
    NamedText{"FileNameLabel", "ファイル名:", TextRole::Other, Edition::Web},
    NamedText{"FileTypeLabel", "ファイルの種類:", TextRole::Other, Edition::Web},
    NamedText{"MessageOk", "OK", TextRole::Other, Edition::Web},
    NamedText{"QuitTitle", "ミロナ", TextRole::Other, Edition::Web},
    NamedText{"QuitInTab", "このページを閉じるには、ブラウザーのタブを閉じてください。",
              TextRole::Other, Edition::Web},
    // Opening a picture and why it failed: the file is named before the reason. The desktop opens
    // with no button.
    NamedText{"OpenTitle", "開く"},
    NamedText{"OpenButton", "開く", TextRole::Other, Edition::Web},
    NamedText{"OpenFailed", "開けませんでした。"},
    NamedText{"OpenBroken", "ファイルが壊れています。"},
    NamedText{"OpenNotImage", "画像ではないファイルです。"},
    NamedText{"OpenTooLarge", "画像が大きすぎます (8192 ピクセルまで)。"},
    NamedText{"OpenUnreadable", "ファイルを読めません。"},
    // The web page's keeping of pictures in the browser, and its releases.
    NamedText{"PicturesButton", "絵の一覧", TextRole::Other, Edition::Web},
    NamedText{"PicturesTitle", "絵の一覧", TextRole::Other, Edition::Web},
    NamedText{"NewPicture", "新しい絵", TextRole::Other, Edition::Web},
    NamedText{"ClosePictures", "閉じる", TextRole::Other, Edition::Web},
    NamedText{"ContinuePicture", "続ける", TextRole::Other, Edition::Web},
    NamedText{"DeletePicture", "削除", TextRole::Other, Edition::Web},
    NamedText{"Cancel", "キャンセル", TextRole::Other, Edition::Web},
    NamedText{"ThisPicture", "この絵", TextRole::Other, Edition::Web},
    NamedText{"CannotOpen", "この版では開けません", TextRole::Other, Edition::Web},
    NamedText{"OpenElsewhereShort", "ほかのページで開いています", TextRole::Other, Edition::Web},
    NamedText{"ConfirmDelete", "この絵を削除しますか？\n削除した絵は元に戻せません。",
              TextRole::Other, Edition::Web},
    NamedText{"OpenElsewhere",
              "この絵は、ほかのページで開かれています。\nここで続けると、ほかのページではこの絵が"
              "保存されなくなります。",
              TextRole::Other, Edition::Web},
    NamedText{"ContinueHere", "ここで続ける", TextRole::Other, Edition::Web},
    NamedText{"TakenOver",
              "この絵は、ほかのページで続けられています。ここで描き足すと、新しい絵として"
              "保存します。",
              TextRole::Other, Edition::Web},
    NamedText{"NotStoredYet", "絵がまだ保存されていません。保存をくり返し試しています…",
              TextRole::Other, Edition::Web},
    NamedText{"NotKept", "このブラウザーでは絵を保存できません。ページを閉じると、絵は消えます。",
              TextRole::Other, Edition::Web},
    NamedText{"Unreadable",
              "開けない絵があったので、そのままにしてあります。「絵の一覧」で確かめられます。",
              TextRole::Other, Edition::Web},
    // Handing the picture in: 共有 in the bar and in the list of pictures, what it says where it
    // copied or downloaded the picture instead, and why a share failed.
    NamedText{"Share", "共有", TextRole::Other, Edition::Web},
    NamedText{"Copied", "絵をクリップボードにコピーしました。ほかのアプリに貼り付けられます。",
              TextRole::Other, Edition::Web},
    NamedText{"Downloaded", "絵を PNG ファイルとしてダウンロードしました。", TextRole::Other,
              Edition::Web},
    NamedText{"ShareFailed", "共有できませんでした。", TextRole::Other, Edition::Web},
    NamedText{"ShareNotAllowed",
              "ブラウザーが共有を許可しませんでした。もう一度「共有」を押してください。",
              TextRole::Other, Edition::Web},
    NamedText{"ShareBusy", "前の共有がまだ終わっていません。", TextRole::Other, Edition::Web},
    NamedText{"ShareNotTaken", "共有先が絵を受け取れませんでした。", TextRole::Other, Edition::Web},
    NamedText{"UpdateText", "新しい版があります", TextRole::Other, Edition::Web},
    NamedText{"UpdateButton", "更新", TextRole::Other, Edition::Web},
    NamedText{"NeedsHttps",
              "このページは HTTPS ではなく HTTP で開かれているため、インターネットにつながらない"
              "ときには使えず、インストールもできません。学校のサーバーを HTTPS にしてください。",
              TextRole::Other, Edition::Web},
    // Safari deletes what a site stored after seven days without a visit, but not what an app on
    // the home screen stored.
    NamedText{"AddToHomeScreen",
              "絵を残しておくには、このアプリをホーム画面に追加してください（共有ボタン → "
              "「ホーム画面に追加」→「追加」）。追加しないと、7日間ひらかなかったときに絵が消える"
              "ことがあります。",
              TextRole::Other, Edition::Web},
};

// The text named `name`; a name that is not in the table does not compile.
consteval std::string_view textOf(std::string_view name) {
    for (const NamedText& t : kTexts)
        if (t.name == name)
            return t.text;
    throw "no text of that name";
}

} // namespace mirona
