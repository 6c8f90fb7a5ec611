// The snapshot format against the bytes kept in tests/golden: the session there, played today,
// gives the newest golden, and every older golden restores to the same session. Run with
// MIRONA_WRITE_GOLDEN=1 to write the newest golden from the session after a change of format.
#include "tests/golden/GoldenSession.hpp"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace mirona {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kDir = MIRONA_GOLDEN_DIR;

Bytes readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

Bytes restored(const Bytes& bytes) {
    Surface surface(1, 1);
    Editor editor(surface);
    EXPECT_TRUE(editor.restore(bytes));
    return editor.snapshot();
}

TEST(SnapshotGoldenTest, EveryVersionRestoresToTheNewest) {
    Surface surface(1, 1);
    Editor editor(surface);
    golden::play(editor);
    const Bytes played = editor.snapshot();
    if (std::getenv("MIRONA_WRITE_GOLDEN") != nullptr)
        std::ofstream(kDir + "/snapshot-v2.bin", std::ios::binary)
            .write(reinterpret_cast<const char*>(played.data()),
                   static_cast<std::streamsize>(played.size()));
    const Bytes v2 = readFile(kDir + "/snapshot-v2.bin");
    EXPECT_EQ(played, v2);
    EXPECT_EQ(restored(readFile(kDir + "/snapshot-v1.bin")), v2);
    EXPECT_EQ(restored(v2), v2);

    Bytes pieces = editor.snapshotHead();
    for (std::size_t i = 0; i < editor.stepCount(); ++i) {
        const Bytes step = editor.stepBytes(i);
        pieces.insert(pieces.end(), step.begin(), step.end());
    }
    EXPECT_EQ(pieces, v2);
}

// A snapshot during a drag in a chain of lines keeps the session as it was before the press,
// so that the chain goes on from its last release once the snapshot is opened.
TEST(SnapshotGoldenTest, ASnapshotDuringAStrokeIsTheOneWithoutIt) {
    Surface surface(1, 1);
    Editor editor(surface);
    golden::play(editor);
    chooseTool(editor.state(), ToolNumber::ContLine);
    editor.Picture1_MouseDown(kLeftButton, 0, 5, 5);
    editor.Picture1_MouseMove(kLeftButton, 0, 12, 8);
    editor.Picture1_MouseUp(kLeftButton, 0, 20, 40);
    editor.Picture1_MouseDown(kLeftButton, 0, 20, 40);
    editor.Picture1_MouseMove(kLeftButton, 0, 60, 10);
    const Bytes during = editor.snapshot();
    ASSERT_TRUE(editor.stroking());
    editor.abandon();
    EXPECT_EQ(during, editor.snapshot());
    EXPECT_EQ(restored(during), during);
}

} // namespace
} // namespace mirona
