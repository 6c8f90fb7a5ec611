#pragma once

#include <array>
#include <string_view>

namespace mirona {

// What kind of thing shows a text: a menu's title, a plain item of it, an item with a check mark
// (one of a group), or anything else.
enum class TextRole { MenuTitle, MenuItem, RadioItem, Other };

// A text the desktop program and the web page both show, under the name of what shows it: the
// desktop's object name and the page's element id.
struct NamedText {
    std::string_view name;
    std::string_view text; // UTF-8
    TextRole role = TextRole::Other;
};

// The menu bar in order, each title before its items; then the about box, then saving.
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
};

// The text named `name`; a name that is not in the table does not compile.
consteval std::string_view textOf(std::string_view name) {
    for (const NamedText& t : kTexts)
        if (t.name == name)
            return t.text;
    throw "no text of that name";
}

} // namespace mirona
