#include "app/Form1.hpp"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointingDevice>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <set>
#include <utility>
#include <vector>

namespace mirona {
namespace {

QAction* item(Form1& f, const char* name) {
    auto* a = f.findChild<QAction*>(QString::fromLatin1(name));
    EXPECT_NE(a, nullptr) << name;
    return a;
}

std::vector<QString> checkedItems(Form1& f) {
    std::vector<QString> out;
    for (const char* name : {"Joge", "Sayu", "JogeSayu", "JogeSayuNaname", "MenuFreeLine",
                             "MenuContLine", "MenuBox", "MenuEllipse"})
        if (item(f, name)->isChecked())
            out.push_back(QString::fromLatin1(name));
    return out;
}

// Resizes the window so that its client area (below the menu bar) is w x h.
void resizeClient(Form1& f, int w, int h) {
    const int menu = f.height() - f.centralWidget()->height();
    f.resize(w, h + menu);
    QApplication::processEvents();
}

int blackCount(Form1& f) {
    int n = 0;
    for (std::uint32_t p : f.canvas().surface().Image())
        n += p == Surface::kBlack;
    return n;
}

// Pieces of black pixels, 8-connected.
int strokes(Form1& f) {
    const Surface& s = f.canvas().surface();
    std::set<std::pair<int, int>> seen;
    int pieces = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) != Surface::kBlack || seen.contains({x, y}))
                continue;
            ++pieces;
            std::vector<std::pair<int, int>> todo{{x, y}};
            seen.insert({x, y});
            while (!todo.empty()) {
                const auto [px, py] = todo.back();
                todo.pop_back();
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = px + dx;
                        const int ny = py + dy;
                        if (nx >= 0 && ny >= 0 && nx < s.width() && ny < s.height() &&
                            s.pixel(nx, ny) == Surface::kBlack && seen.insert({nx, ny}).second)
                            todo.emplace_back(nx, ny);
                    }
            }
        }
    return pieces;
}

void sendMove(QWidget& w, QPoint p, Qt::MouseButtons buttons) {
    QMouseEvent e(QEvent::MouseMove, p, w.mapToGlobal(p), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

void drag(Form1& f, const std::vector<QPoint>& path, Qt::MouseButton button = Qt::LeftButton) {
    QWidget& c = f.canvas();
    QTest::mousePress(&c, button, {}, path.front());
    for (std::size_t i = 1; i < path.size(); ++i)
        sendMove(c, path[i], button);
    QTest::mouseRelease(&c, button, {}, path.back());
}

class Form1Test : public testing::Test {
protected:
    Form1Test() { form.Form_Load(); }
    Form1 form;
};

TEST_F(Form1Test, StartUpFitsASquareCanvasIntoTheClientArea) {
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Form1"));
    EXPECT_EQ(form.centralWidget()->size(), QSize(451, 452));
    EXPECT_EQ(form.canvas().size(), QSize(451, 451));
    EXPECT_EQ(form.canvas().pos(), QPoint(0, 0));
    EXPECT_EQ(form.editor().state().CanvasW, 451.0f);
    EXPECT_EQ(form.editor().state().CanvasH, 451);
    EXPECT_EQ(form.canvas().surface().width(), 451);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.canvas().accessibleName().isEmpty());
}

TEST_F(Form1Test, NewRefitsToTheSmallerSideOnlyWhenChosen) {
    resizeClient(form, 500, 400);
    EXPECT_EQ(form.canvas().surface().width(), 451) << "a resize alone keeps the canvas";
    EXPECT_EQ(form.canvas().size(), QSize(400, 400)) << "shown scaled down to fit";
    item(form, "Hakushi")->trigger();
    EXPECT_EQ(form.canvas().size(), QSize(400, 400));
    EXPECT_EQ(form.editor().state().CanvasW, 400.0f);
    EXPECT_EQ(form.editor().state().CanvasH, 400);
    resizeClient(form, 300, 300);
    item(form, "Hakushi")->trigger();
    EXPECT_EQ(form.canvas().size(), QSize(300, 300));
    resizeClient(form, 320, 480);
    item(form, "Hakushi")->trigger();
    EXPECT_EQ(form.canvas().size(), QSize(320, 320));
}

TEST_F(Form1Test, MenusHaveTheirCaptionsInOrder) {
    const std::vector<std::pair<QString, std::vector<QString>>> expected{
        {QStringLiteral("ファイル"),
         {QStringLiteral("白紙"), QStringLiteral("保存"), QStringLiteral("終了")}},
        {QStringLiteral("対称"),
         {QStringLiteral("上下対称"), QStringLiteral("左右対称"), QStringLiteral("上下左右対称"),
          QStringLiteral("上下左右斜め対称")}},
        {QStringLiteral("描画"),
         {QStringLiteral("自由曲線"), QStringLiteral("連続直線"), QStringLiteral("長方形"),
          QStringLiteral("楕円")}},
        {QStringLiteral("ヘルプ"), {QStringLiteral("情報")}},
    };
    const auto menus = form.menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(menus[i]->text(), expected[i].first);
        std::vector<QString> items;
        for (QAction* a : menus[i]->menu()->actions())
            items.push_back(a->text());
        EXPECT_EQ(items, expected[i].second);
    }
}

TEST_F(Form1Test, SelectionsMoveTheCheckMarksAndSetTheState) {
    const std::vector<QString> start{QStringLiteral("JogeSayuNaname"),
                                     QStringLiteral("MenuFreeLine")};
    EXPECT_EQ(checkedItems(form), start);
    DrawingState& s = form.editor().state();

    item(form, "MenuBox")->trigger();
    item(form, "Joge")->trigger();
    EXPECT_EQ(checkedItems(form),
              (std::vector<QString>{QStringLiteral("Joge"), QStringLiteral("MenuBox")}));
    EXPECT_EQ(s.ToolNo, 2);
    EXPECT_EQ((std::vector<int>{s.JogeFlag, s.SayuFlag, s.NanameFlag}),
              (std::vector<int>{1, 0, 0}));
    item(form, "Sayu")->trigger();
    EXPECT_EQ((std::vector<int>{s.JogeFlag, s.SayuFlag, s.NanameFlag}),
              (std::vector<int>{0, 1, 0}));
    item(form, "JogeSayu")->trigger();
    EXPECT_EQ((std::vector<int>{s.JogeFlag, s.SayuFlag, s.NanameFlag}),
              (std::vector<int>{1, 1, 0}));
    item(form, "MenuEllipse")->trigger();
    EXPECT_EQ(s.ToolNo, 3);
    item(form, "MenuContLine")->trigger();
    item(form, "MenuContLine")->trigger();
    EXPECT_EQ(s.ToolNo, 1);
    EXPECT_EQ(checkedItems(form),
              (std::vector<QString>{QStringLiteral("JogeSayu"), QStringLiteral("MenuContLine")}));

    drag(form, {{30, 20}, {60, 40}});
    ASSERT_GT(blackCount(form), 0);
    item(form, "Hakushi")->trigger();
    EXPECT_EQ(checkedItems(form), start);
    EXPECT_EQ(s.ToolNo, 0);
    EXPECT_EQ(s.ChainFlag, 0);
    EXPECT_EQ(blackCount(form), 0) << "New clears the picture";
}

TEST_F(Form1Test, FreehandStrokeAppearsInEveryImageOfTheMode) {
    // A short stroke away from every mirror line and diagonal.
    const std::vector<QPoint> path{{100, 40}, {110, 45}, {120, 52}, {130, 60}};
    const std::vector<std::pair<const char*, int>> modes{
        {"Joge", 2}, {"Sayu", 2}, {"JogeSayu", 4}, {"JogeSayuNaname", 8}};
    for (const auto& [mode, images] : modes) {
        item(form, "Hakushi")->trigger();
        item(form, mode)->trigger();
        drag(form, path);
        EXPECT_EQ(strokes(form), images) << mode;
    }
}

TEST_F(Form1Test, TouchDrawsLikeTheMouse) {
    QPointingDevice* device = QTest::createTouchDevice();
    QWidget& c = form.canvas();
    QTest::touchEvent(&form, device).press(0, c.mapTo(&form, QPoint(100, 40)), &form);
    for (int i = 1; i <= 6; ++i)
        QTest::touchEvent(&form, device)
            .move(0, c.mapTo(&form, QPoint(100 + 5 * i, 40 + 3 * i)), &form);
    QTest::touchEvent(&form, device).release(0, c.mapTo(&form, QPoint(130, 58)), &form);
    QApplication::processEvents();
    EXPECT_EQ(strokes(form), 8);
}

TEST_F(Form1Test, ChainsEndOnAToolChoiceOrNewButNotOnAModeChoice) {
    item(form, "MenuContLine")->trigger();
    item(form, "Sayu")->trigger();
    drag(form, {{50, 50}, {80, 60}});
    item(form, "Joge")->trigger();
    EXPECT_EQ(form.editor().state().ChainFlag, 1);
    QTest::mousePress(&form.canvas(), Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_EQ(form.editor().state().AnchorX, 80) << "the chain continues from its vertex";
    QTest::mouseRelease(&form.canvas(), Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_EQ(form.editor().state().AnchorX, 200);

    item(form, "MenuContLine")->trigger();
    EXPECT_EQ(form.editor().state().ChainFlag, 0);
    QTest::mousePress(&form.canvas(), Qt::LeftButton, {}, QPoint(10, 12));
    EXPECT_EQ(form.editor().state().AnchorX, 10);
    QTest::mouseRelease(&form.canvas(), Qt::LeftButton, {}, QPoint(10, 12));
    item(form, "Hakushi")->trigger();
    EXPECT_EQ(form.editor().state().ChainFlag, 0);
}

// A release away from the last move still ends the stroke cleanly: the editor moves the
// stroke there first, so the picture is what a press and release there would leave.
TEST_F(Form1Test, ReleaseAwayFromTheLastMoveLeavesNoPreview) {
    for (const char* tool : {"MenuContLine", "MenuBox", "MenuEllipse"}) {
        Form1 reference;
        reference.Form_Load();
        item(reference, tool)->trigger();
        QTest::mousePress(&reference.canvas(), Qt::RightButton, {}, QPoint(100, 60));
        QTest::mouseRelease(&reference.canvas(), Qt::RightButton, {}, QPoint(170, 95));

        item(form, "Hakushi")->trigger();
        item(form, tool)->trigger();
        QWidget& c = form.canvas();
        QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(100, 60));
        sendMove(c, QPoint(140, 80), Qt::LeftButton);
        sendMove(c, QPoint(150, 70), Qt::LeftButton);
        QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(170, 95));
        EXPECT_TRUE(std::ranges::equal(form.canvas().surface().Image(),
                                       reference.canvas().surface().Image()))
            << tool;
    }
}

std::vector<std::uint32_t> pixels(Form1& f) {
    const auto image = f.canvas().surface().Image();
    return {image.begin(), image.end()};
}

// The keys reach the window as a user's would, through Qt's shortcut handling.
TEST_F(Form1Test, UndoAndRedoKeysTakeBackAStrokeAndANewWithItsCanvasSize) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const auto blank = pixels(form);
    drag(form, {{50, 60}, {120, 90}, {140, 30}});
    const auto stroke = pixels(form);
    resizeClient(form, 500, 400);
    item(form, "MenuBox")->trigger();
    item(form, "Hakushi")->trigger();
    ASSERT_EQ(form.canvas().size(), QSize(400, 400));
    const std::vector<QString> afterNew = checkedItems(form);

    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form.canvas().surface().width(), 451);
    EXPECT_EQ(form.canvas().surface().height(), 451);
    EXPECT_EQ(form.editor().state().CanvasW, 451.0f);
    EXPECT_EQ(form.editor().state().CanvasH, 451);
    EXPECT_EQ(pixels(form), stroke);
    EXPECT_EQ(checkedItems(form), afterNew) << "undo leaves the choices alone";
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pixels(form), blank);
    QTest::keyClick(&form, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(pixels(form), stroke);
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form.canvas().size(), QSize(400, 400));
    EXPECT_EQ(form.editor().state().CanvasH, 400);
    EXPECT_EQ(blackCount(form), 0);
}

// Runs the event loop until `action` ends the program; false if it is still running after a
// few seconds.
template <class Action> bool endsTheProgram(Action action) {
    QTimer::singleShot(0, action);
    QTimer::singleShot(1500, [] { QApplication::exit(1); });
    return QApplication::exec() == 0;
}

TEST_F(Form1Test, QuitEndsTheProgram) {
    EXPECT_TRUE(endsTheProgram([this] { item(form, "Quit")->trigger(); }));
}

TEST_F(Form1Test, TheCloseBoxEndsTheProgram) {
    EXPECT_TRUE(endsTheProgram([this] { form.close(); }));
}

TEST_F(Form1Test, OtherMenuItemsDoNotEndTheProgram) {
    EXPECT_FALSE(endsTheProgram([this] { item(form, "Hakushi")->trigger(); }));
}

} // namespace
} // namespace mirona
