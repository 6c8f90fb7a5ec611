// The web page's reference: replays a script of the page's calls through the same session code,
// built natively, and writes the picture as the BMP file the page would save. One call a line:
//   new <area width> <area height> | tool <n> | mode <n> | undo | redo | abandon
//   down <button> <shift> <x> <y> | move <buttons> <shift> <x> <y>
//   up <button> <shift> <x> <y> | restore <snapshot file>
// Usage: mirona_web_replay <script> <picture.bmp>
// With --texts instead, it prints the table of texts the page shares with the desktop program,
// one line each: name, role (menu, item, radio or other) and the text with its line breaks as \n.
#include "texts/Texts.hpp"
#include "web/engine/WebSession.hpp"

#include <array>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--texts") {
        constexpr std::array<const char*, 4> kRoles{"menu", "item", "radio", "other"};
        for (const mirona::NamedText& t : mirona::kTexts) {
            std::cout << t.name << '\t' << kRoles[static_cast<std::size_t>(t.role)] << '\t';
            for (const char c : t.text)
                std::cout << (c == '\n' ? std::string_view("\\n") : std::string_view(&c, 1));
            std::cout << '\n';
        }
        return 0;
    }
    if (argc != 3) {
        std::cerr << "usage: mirona_web_replay <script> <picture.bmp>\n";
        return 2;
    }
    std::ifstream script(argv[1]);
    if (!script) {
        std::cerr << "cannot read " << argv[1] << '\n';
        return 1;
    }
    mirona::WebSession session;
    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        std::istringstream in(line);
        std::string call;
        in >> call;
        int a = 0;
        int b = 0;
        float x = 0;
        float y = 0;
        const auto int16 = [](int v) { return static_cast<std::int16_t>(v); };
        if (call == "new" && in >> a >> b)
            session.newPicture(a, b);
        else if (call == "tool" && in >> a)
            session.selectTool(static_cast<mirona::ToolNumber>(a));
        else if (call == "mode" && in >> a)
            session.selectMode(static_cast<mirona::SymmetryMode>(a));
        else if (call == "undo")
            session.undo();
        else if (call == "redo")
            session.redo();
        else if (call == "abandon")
            session.abandon();
        else if (call == "down" && in >> a >> b >> x >> y)
            session.pointerDown(int16(a), int16(b), x, y);
        else if (call == "move" && in >> a >> b >> x >> y)
            session.pointerMove(int16(a), int16(b), x, y);
        else if (call == "up" && in >> a >> b >> x >> y)
            session.pointerUp(int16(a), int16(b), x, y);
        else if (std::string path; call == "restore" && in >> path) {
            std::ifstream file(path, std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
            if (!session.restore(bytes)) {
                std::cerr << path << ": not a snapshot\n";
                return 1;
            }
        } else if (!call.empty()) {
            std::cerr << argv[1] << ':' << number << ": cannot read \"" << line << "\"\n";
            return 1;
        }
    }
    const std::vector<std::uint8_t> bytes = session.bmp();
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 1;
}
