#pragma once

#include "tests/e2e/Desktop.hpp"

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <vector>

namespace mirona::e2e {

// One item row of an open menu, in screen coordinates.
struct MenuRow {
    int top = 0;
    int bottom = 0;
    bool checked = false;
};

struct OpenMenu {
    QRect rect;
    QImage frame;
    std::vector<MenuRow> rows;
    [[nodiscard]] std::vector<bool> checks() const;
};

// The menus of the main window, in menu bar order.
enum class Menu { File = 0, Mode = 1, Byoga = 2, Help = 3 };

// The program under test, started on the display and driven as a user would: pointer events
// and keys through xdotool, and what it shows read from the screen. The window and menus are
// found from the pixels, so the suite assumes only what a user sees.
class MironaSession final {
public:
    // Starts the program (MIRONA_BINARY) with the arguments and waits for its main window, then
    // unless told otherwise finds its layout (findLayout).
    explicit MironaSession(const QStringList& arguments = {}, bool findCanvas = true);
    ~MironaSession();
    MironaSession(const MironaSession&) = delete;
    MironaSession& operator=(const MironaSession&) = delete;

    [[nodiscard]] bool started() const { return !window_.isEmpty() && !canvas_.isEmpty(); }
    [[nodiscard]] qint64 pid() const { return process_.processId(); }
    [[nodiscard]] QString window() const { return window_; }
    [[nodiscard]] QRect client() const { return client_; }
    // The canvas on the screen; canvas pixel (0, 0) is its top-left.
    [[nodiscard]] QRect canvasRect() const { return canvas_; }
    // The program's display scale, MIRONA_E2E_SCALE, which it is started with as
    // QT_SCALE_FACTOR; 1 unless set. A window pixel p then spans the screen pixels from
    // qRound(p * scale) to qRound((p + 1) * scale) - 1 of the window, as Qt sends them to the
    // screen: each screen pixel shows the window pixel under its centre.
    [[nodiscard]] qreal scale() const { return scale_; }
    // The canvas's size in its own pixels.
    [[nodiscard]] QSize canvasSize() const {
        return {static_cast<int>(columns_.size()) - 1, static_cast<int>(rows_.size()) - 1};
    }
    [[nodiscard]] int menuTitles() const { return static_cast<int>(titles_.size()); }

    // Opens a menu by clicking its title and reads its rows once it has settled.
    OpenMenu open(Menu menu);
    // Clicks the item of the open menu and waits for the menu to close.
    void click(const OpenMenu& open, int row);
    // Closes the open menu with Escape.
    void dismiss(const OpenMenu& open);
    // Opens the menu and clicks the item.
    void choose(Menu menu, int row);

    // Presses the button at the first point, moves through the others (canvas pixels) and
    // releases it at the last one. With `release` false the button stays down.
    void drag(const std::vector<QPoint>& path, int button = 1, bool release = true);
    // Moves the held button through the points and releases it at the last one.
    void finishDrag(const std::vector<QPoint>& path, int button = 1);

    // The canvas pixels the screen shows, each from the first screen pixel it spans.
    [[nodiscard]] QImage canvas(const QImage& screen) const;
    // The screen pixels of the canvas as they should show a picture of the canvas's size.
    [[nodiscard]] QImage onScreen(const QImage& picture) const;
    // Waits until every screen pixel of the canvas shows exactly what it should of `expected`;
    // the last screen pixels of the canvas seen.
    Settled waitForCanvas(const QImage& expected);

    // Waits for a visible window of the program with this exact title; its id, or empty.
    QString waitForWindow(const QString& title, std::chrono::milliseconds timeout = kTimeout);
    [[nodiscard]] bool hasWindow(const QString& title);
    [[nodiscard]] QRect geometry(const QString& window);

    // Waits for the program to end; its exit code, or -1 when it is still running.
    int waitForExit(std::chrono::milliseconds timeout = kTimeout);

    // Waits for the main window to show a canvas white at its centre, and finds the canvas and
    // the menu titles.
    void findLayout();

private:
    void waitForClosed(const OpenMenu& open);
    // xdotool arguments that move the pointer through canvas points.
    [[nodiscard]] QStringList moves(const std::vector<QPoint>& path) const;

    QProcess process_;
    QString window_;
    qreal scale_ = 1;
    QRect client_;
    QRect canvas_;
    // The screen pixels from canvas_'s corner where each canvas column and row starts, then
    // where the last one ends.
    std::vector<int> columns_;
    std::vector<int> rows_;
    QPoint origin_; // the canvas's corner in the window, in window pixels
    std::vector<QRect> titles_;
};

} // namespace mirona::e2e
