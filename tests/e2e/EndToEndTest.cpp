// The real program on a real X display, driven with the pointer and the keyboard as a user
// would, and checked from the screen and the files it writes. run-e2e.sh provides the display
// and a window manager; MIRONA_BINARY names the program.
#include "tests/e2e/MironaSession.hpp"
#include "tests/e2e/ReferencePicture.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mirona::e2e {
namespace {

// The client area of a new window is 451 x 452: the canvas takes the smaller side.
constexpr int kCanvasSize = 451;

// The File menu's items, in order; the Help menu has About alone.
enum class FileItem { Hakushi, Hozon, Quit };

const QString kSaveTitle = QStringLiteral("保存する");

std::vector<bool> onlyChecked(int row) {
    std::vector<bool> out(4);
    out[static_cast<std::size_t>(row)] = true;
    return out;
}

class EndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.started());
        ASSERT_EQ(app.canvasSize(), QSize(kCanvasSize, kCanvasSize));
        ASSERT_EQ(app.menuTitles(), 4);
    }

    // Waits for the canvas to show the reference picture; on a mismatch keeps both for a look.
    void expectCanvasShowsReference(const char* what) {
        expectCanvasShows(reference.image(), what);
    }

    void expectCanvasShows(const QImage& expected, const char* what) {
        const Settled seen = app.waitForCanvas(expected);
        if (seen.done)
            return;
        ADD_FAILURE()
            << what << ": the canvas differs from the reference, "
            << differences(app.canvas(grabScreen()), expected) << ", see "
            << keepForInspection(seen.screen, what).toStdString() << " and "
            << keepForInspection(expected, QString::fromLatin1(what) + "-expected").toStdString()
            << "; " << savedAgainst(expected, what);
    }

    // Which canvas pixels differ, for the log: where the screen alone is kept after a failure.
    static std::string differences(const QImage& shown, const QImage& expected) {
        QRect box;
        int count = 0;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                if (shown.pixel(x, y) != expected.pixel(x, y)) {
                    box |= QRect(x, y, 1, 1);
                    ++count;
                }
        return std::to_string(count) + " canvas pixels within " + std::to_string(box.width()) +
               "x" + std::to_string(box.height()) + " at (" + std::to_string(box.left()) + ", " +
               std::to_string(box.top()) + ")";
    }

    // The program's own picture, saved, tells a picture drawn wrong from one shown wrong.
    std::string savedAgainst(const QImage& expected, const char* what) {
        const QString path = savePath(QString::fromLatin1(what) + "-saved.bmp");
        if (!saveTo(path))
            return "the picture could not be saved to compare";
        const QImage saved = QImage(path).convertToFormat(QImage::Format_RGB32);
        if (saved == expected)
            return "the picture saved equals the reference: it is shown wrong";
        return "the picture saved differs too, " + differences(saved, expected) + ", see " +
               keepForInspection(saved, QString::fromLatin1(what) + "-saved").toStdString();
    }

    void chooseFile(FileItem item) { app.choose(Menu::File, static_cast<int>(item)); }

    void expectChecks(Menu menu, const std::vector<bool>& checks) {
        const OpenMenu open = app.open(menu);
        EXPECT_EQ(open.checks(), checks) << "menu " << static_cast<int>(menu);
        app.dismiss(open);
    }

    // A freehand stroke along two straight legs: however many moves the window system merges
    // on a leg, the segments cover the same pixels; the corner is waited for on the screen.
    void freehandCorner(QPoint from, QPoint corner, QPoint to) {
        const std::vector<QPoint> first{from, (from + corner) / 2, corner};
        const std::vector<QPoint> second{(corner + to) / 2, to};
        app.drag(first, 1, false);
        reference.stroke(first);
        expectCanvasShowsReference("freehand-first-leg");
        app.finishDrag(second);
        reference.stroke({corner, second[0], second[1]});
    }

    // A rubber-band drag through the points; what stays is the finished figure alone.
    void rubberBand(const std::vector<QPoint>& path) {
        app.drag(path);
        reference.figure(path.front(), path.back());
    }

    QString savePath(const QString& name) const { return folder.filePath(name); }

    // Opens the save dialog and waits until it has the keyboard: keys typed before that go to
    // the main window, and the dialog gets a name cut short.
    QString openSaveDialog() {
        chooseFile(FileItem::Hozon);
        const QString dialog = app.waitForWindow(kSaveTitle);
        EXPECT_FALSE(dialog.isEmpty()) << "no save dialog";
        EXPECT_TRUE(waitUntil([&] { return activeWindow() == dialog; })) << "dialog not in front";
        return dialog;
    }

    // Save, with the name typed into the dialog and Return pressed.
    QString saveAs(const QString& path) {
        const QString dialog = openSaveDialog();
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("2"), path});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        return dialog;
    }

    // Saves through the dialog: whether it closed and the file was written.
    bool saveTo(const QString& path) {
        saveAs(path);
        return dialogClosed() && waitUntil([&] { return QFileInfo(path).size() > 0; });
    }

    bool dialogClosed() {
        return waitUntil([&] { return !app.hasWindow(kSaveTitle); });
    }

    static QString activeWindow() {
        return run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}).output.trimmed();
    }

    QImage currentCanvas() { return app.canvas(grabScreen()); }

    MironaSession app;
    ReferencePicture reference{kCanvasSize};
    QTemporaryDir folder;
};

TEST_F(EndToEndTest, StartsWithItsMenusAndTheFreehandToolInEightImages) {
    EXPECT_EQ(blackPixels(currentCanvas()), 0);
    const OpenMenu file = app.open(Menu::File);
    EXPECT_EQ(file.checks(), std::vector<bool>(3));
    app.dismiss(file);
    expectChecks(Menu::Mode, onlyChecked(3));
    expectChecks(Menu::Byoga, onlyChecked(0));
    const OpenMenu help = app.open(Menu::Help);
    EXPECT_EQ(help.checks(), std::vector<bool>(1));
    app.dismiss(help);
}

TEST_F(EndToEndTest, CheckMarksFollowTheChosenToolAndMode) {
    for (int row : {2, 1, 3, 0}) {
        app.choose(Menu::Byoga, row);
        expectChecks(Menu::Byoga, onlyChecked(row));
    }
    for (int row : {0, 2, 1, 3}) {
        app.choose(Menu::Mode, row);
        expectChecks(Menu::Mode, onlyChecked(row));
        expectChecks(Menu::Byoga, onlyChecked(0));
    }
}

class EachToolInMode : public EndToEndTest, public testing::WithParamInterface<SymmetryMode> {};

TEST_P(EachToolInMode, DrawsEveryImageAndLeavesNoPreview) {
    app.choose(Menu::Mode, static_cast<int>(GetParam()));
    chooseMode(reference.state(), GetParam());
    const auto check = [&](const char* tool) {
        expectCanvasShowsReference(tool);
        const QImage canvas = currentCanvas();
        EXPECT_EQ(asymmetricPixels(canvas, reference.state()), 0) << tool;
        EXPECT_GT(blackPixels(canvas), 0) << tool;
    };

    app.choose(Menu::Byoga, 0);
    freehandCorner({60, 30}, {120, 30}, {120, 80});
    check("freehand");

    app.choose(Menu::Byoga, 1);
    chooseTool(reference.state(), ToolNumber::ContLine);
    rubberBand({{150, 40}, {170, 90}, {200, 60}, {230, 110}});
    check("line");

    app.choose(Menu::Byoga, 2);
    chooseTool(reference.state(), ToolNumber::Box);
    rubberBand({{40, 140}, {90, 200}, {70, 170}, {110, 190}});
    check("rectangle");

    app.choose(Menu::Byoga, 3);
    chooseTool(reference.state(), ToolNumber::Ellipse);
    rubberBand({{180, 180}, {200, 230}, {230, 190}, {215, 200}});
    check("ellipse");
}

INSTANTIATE_TEST_SUITE_P(Modes, EachToolInMode,
                         testing::Values(SymmetryMode::Joge, SymmetryMode::Sayu,
                                         SymmetryMode::JogeSayu, SymmetryMode::JogeSayuNaname));

TEST_F(EndToEndTest, LinesChainFromTheLastReleaseWhereverThePressIs) {
    app.choose(Menu::Byoga, 1);
    chooseTool(reference.state(), ToolNumber::ContLine);
    // The first segment is waited for on the screen before the second drag: sent straight after
    // it, the second drag once left the first one's release without effect, and the chain ran
    // from the first press to the last release.
    app.drag({{60, 60}, {100, 80}, {140, 70}});
    reference.stroke({{60, 60}, {100, 80}, {140, 70}});
    expectCanvasShowsReference("chain-first");
    app.drag({{300, 300}, {320, 280}, {200, 150}});
    reference.stroke({{300, 300}, {320, 280}, {200, 150}});
    expectCanvasShowsReference("chain");

    // The same as the two finished segments end to end; the second press plays no part.
    ReferencePicture segments(kCanvasSize);
    chooseTool(segments.state(), ToolNumber::ContLine);
    segments.figure({60, 60}, {140, 70});
    chooseTool(segments.state(), ToolNumber::ContLine);
    segments.figure({140, 70}, {200, 150});
    EXPECT_EQ(currentCanvas(), segments.image());
}

TEST_F(EndToEndTest, NewClearsThePictureAndResetsToolAndMode) {
    app.choose(Menu::Mode, 0);
    app.choose(Menu::Byoga, 2);
    app.drag({{50, 50}, {120, 90}});
    ASSERT_TRUE(
        waitForScreen([&](const QImage& s) { return blackPixels(app.canvas(s)) > 0; }).done);
    chooseFile(FileItem::Hakushi);
    expectCanvasShowsReference("new");
    expectChecks(Menu::Mode, onlyChecked(3));
    expectChecks(Menu::Byoga, onlyChecked(0));
    freehandCorner({70, 40}, {70, 100}, {130, 100});
    expectCanvasShowsReference("freehand-after-new");
}

TEST_F(EndToEndTest, CtrlZAndCtrlYUndoAndRedoAStrokeAChainSegmentAndNew) {
    std::vector<QImage> pictures{reference.image()};
    freehandCorner({60, 30}, {120, 30}, {120, 80});
    pictures.push_back(reference.image());
    app.choose(Menu::Byoga, 1);
    chooseTool(reference.state(), ToolNumber::ContLine);
    rubberBand({{150, 40}, {170, 90}, {200, 60}});
    pictures.push_back(reference.image());
    expectCanvasShowsReference("chain-first"); // before the next drag, as in the chain test
    app.drag({{20, 300}, {180, 160}});
    reference.stroke({{20, 300}, {180, 160}});
    pictures.push_back(reference.image());
    expectCanvasShowsReference("chain");
    chooseFile(FileItem::Hakushi);
    pictures.push_back(pictures.front());

    for (std::size_t i = pictures.size() - 1; i > 0; --i) {
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+z")});
        expectCanvasShows(pictures[i - 1], "undo");
    }
    for (std::size_t i = 1; i < pictures.size(); ++i) {
        xdotool({QStringLiteral("key"),
                 i % 2 != 0 ? QStringLiteral("ctrl+y") : QStringLiteral("ctrl+shift+z")});
        expectCanvasShows(pictures[i], "redo");
    }
}

TEST_F(EndToEndTest, SavesTheCanvasToANewFile) {
    app.choose(Menu::Mode, 2);
    chooseMode(reference.state(), SymmetryMode::JogeSayu);
    app.choose(Menu::Byoga, 2);
    chooseTool(reference.state(), ToolNumber::Box);
    rubberBand({{30, 40}, {90, 100}, {120, 70}});
    expectCanvasShowsReference("before-save");

    const QString path = savePath(QStringLiteral("picture.bmp"));
    ASSERT_TRUE(saveTo(path));
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "bmp");
    EXPECT_EQ(reader.read().convertToFormat(QImage::Format_RGB32), reference.image());
    // Saving leaves the picture and the tool alone.
    expectCanvasShowsReference("after-save");
    expectChecks(Menu::Byoga, onlyChecked(2));
}

TEST_F(EndToEndTest, OverwritesAnExistingFileOnlyAfterAsking) {
    const QString path = savePath(QStringLiteral("picture.bmp"));
    ASSERT_TRUE(saveTo(path));
    const QImage blank = QImage(path).convertToFormat(QImage::Format_RGB32);

    freehandCorner({50, 50}, {150, 50}, {150, 120});
    expectCanvasShowsReference("before-overwrite");
    const QString dialog = saveAs(path);
    // The question comes up as a window of its own, in front.
    QString question;
    ASSERT_TRUE(waitUntil([&] {
        question = activeWindow();
        return !question.isEmpty() && question != dialog && question != app.window();
    })) << "no overwrite question";
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), blank)
        << "written before the answer";
    xdotool({QStringLiteral("key"), QStringLiteral("alt+y")});
    ASSERT_TRUE(dialogClosed());
    EXPECT_TRUE(waitUntil([&] {
        return QImage(path).convertToFormat(QImage::Format_RGB32) == reference.image();
    })) << "the file was not replaced by the new picture";
}

TEST_F(EndToEndTest, CancellingTheDialogSavesNothing) {
    freehandCorner({100, 100}, {150, 100}, {150, 150});
    expectCanvasShowsReference("before-cancel");
    ASSERT_FALSE(openSaveDialog().isEmpty());
    xdotool({QStringLiteral("type"), savePath(QStringLiteral("cancelled.bmp"))});
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(dialogClosed());
    EXPECT_TRUE(QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    // The program goes on: a stroke still draws.
    freehandCorner({200, 60}, {260, 60}, {260, 20});
    expectCanvasShowsReference("after-cancel");
}

TEST_F(EndToEndTest, TheDialogRefusesAMissingFolderAndNothingIsWritten) {
    freehandCorner({40, 60}, {90, 60}, {90, 110});
    expectCanvasShowsReference("before-missing-folder");
    const QString dialog = saveAs(savePath(QStringLiteral("missing/picture.bmp")));
    // The dialog says so in a window of its own and stays open once that is closed.
    QString refusal;
    ASSERT_TRUE(waitUntil([&] {
        refusal = activeWindow();
        return !refusal.isEmpty() && refusal != dialog && refusal != app.window();
    })) << "the dialog accepted a missing folder";
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(waitUntil([&] { return activeWindow() == dialog; }));
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(dialogClosed());
    EXPECT_TRUE(QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    freehandCorner({300, 60}, {350, 60}, {350, 20});
    expectCanvasShowsReference("after-missing-folder");
}

TEST_F(EndToEndTest, AboutBoxIsModalAndClosesWithOk) {
    app.choose(Menu::Help, 0);
    const QString about = app.waitForWindow(QStringLiteral("Form2"));
    ASSERT_FALSE(about.isEmpty());
    const QRect box = app.geometry(about);
    EXPECT_EQ(box.size(), QSize(330, 178));

    // While the box is up, the canvas takes no input.
    app.drag({{50, 50}, {150, 150}, {200, 60}});
    // OK: 49 x 33 pixels at (280, 144) in the box.
    xdotool({QStringLiteral("mousemove"), QString::number(box.left() + 304),
             QString::number(box.top() + 160), QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(waitUntil([&] { return !app.hasWindow(QStringLiteral("Form2")); }));
    freehandCorner({300, 100}, {360, 100}, {360, 160});
    expectCanvasShowsReference("after-about");

    // Each time a new box.
    app.choose(Menu::Help, 0);
    EXPECT_FALSE(app.waitForWindow(QStringLiteral("Form2")).isEmpty());
}

TEST_F(EndToEndTest, QuitEndsTheProgramAtOnce) {
    freehandCorner({50, 50}, {150, 50}, {150, 150});
    expectCanvasShowsReference("before-quit");
    chooseFile(FileItem::Quit);
    EXPECT_EQ(app.waitForExit(), 0);
}

// `mirona FILE` starts with the picture in FILE, a PNG here, as the start: Ctrl+Z changes
// nothing. A picture file dropped on the window is tested in the window's own tests.
TEST(OpenEndToEndTest, StartsWithThePictureInTheFileGivenWithNothingToUndo) {
    QTemporaryDir folder;
    QImage picture(kCanvasSize, kCanvasSize, QImage::Format_RGB32);
    picture.fill(Qt::white);
    // Away from the middle row and column, where the session looks for the canvas's edges.
    for (const QRect& r : {QRect(20, 20, 40, 40), QRect(400, 380, 30, 60), QRect(300, 30, 100, 2)})
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                picture.setPixel(x, y, qRgb(0, 0, 0));
    const QString file = folder.filePath(QStringLiteral("ちょうちょ.png"));
    ASSERT_TRUE(picture.save(file));
    MironaSession app({file});
    ASSERT_TRUE(app.started());
    ASSERT_EQ(app.canvasSize(), QSize(kCanvasSize, kCanvasSize));
    EXPECT_TRUE(app.waitForCanvas(picture).done) << "the picture given is not on the canvas";
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+z")});
    EXPECT_FALSE(waitUntil([&] { return app.canvas(grabScreen()) != picture; }, 500ms))
        << "the picture given was undone";
}

// A damaged file given at the start: the window says why, naming the file, and starts blank.
TEST(OpenEndToEndTest, ADamagedFileGivenSaysSoAndTheProgramStartsBlank) {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("broken.bmp"));
    QFile bytes(file);
    ASSERT_TRUE(bytes.open(QIODevice::WriteOnly));
    bytes.write("BM\x36\x10\x0e\x00\x00\x00", 10); // a header cut short
    bytes.close();
    MironaSession app({file}, false);
    ASSERT_FALSE(app.window().isEmpty());
    EXPECT_FALSE(app.waitForWindow(QStringLiteral("開く")).isEmpty()) << "no message";
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    EXPECT_TRUE(waitUntil([&] { return !app.hasWindow(QStringLiteral("開く")); }));
    app.findLayout();
    EXPECT_EQ(app.canvasSize(), QSize(kCanvasSize, kCanvasSize));
    EXPECT_EQ(bytes.size(), 10);
}

} // namespace
} // namespace mirona::e2e
