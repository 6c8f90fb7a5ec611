#include "tests/e2e/MironaSession.hpp"

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>

namespace mirona::e2e {

namespace {

// Columns of the menu bar with no text between two titles; glyphs of one title are closer. At a
// scale of 1, as the check column below.
constexpr int kTitleGap = 7;
// The check column of a menu with checkable items, from the menu's left edge, at a scale of 1.
constexpr int kCheckLeft = 2;
constexpr int kCheckRight = 24;
constexpr int kCheckDarkPixels = 4;

QString number(int v) {
    return QString::number(v);
}

// Runs of indices whose flag is set, joining runs closer than `gap`.
std::vector<std::pair<int, int>> runs(const std::vector<bool>& set, int gap) {
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < static_cast<int>(set.size()); ++i) {
        if (!set[i])
            continue;
        if (!out.empty() && i - out.back().second <= gap)
            out.back().second = i;
        else
            out.emplace_back(i, i);
    }
    return out;
}

// The menu's frame: its left edge, which hovering over items leaves alone.
QImage frameOf(const QImage& screen, const QRect& menu) {
    return screen.copy(menu.left(), menu.top(), 1, menu.height());
}

} // namespace

std::vector<bool> OpenMenu::checks() const {
    std::vector<bool> out;
    for (const MenuRow& row : rows)
        out.push_back(row.checked);
    return out;
}

MironaSession::MironaSession(const QStringList& arguments, bool findCanvas) {
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    if (qEnvironmentVariableIsSet("MIRONA_E2E_SCALE")) {
        scale_ = qEnvironmentVariable("MIRONA_E2E_SCALE").toDouble();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale_));
        process_.setProcessEnvironment(environment);
    }
    process_.start(qEnvironmentVariable("MIRONA_BINARY"), arguments);
    if (!process_.waitForStarted()) {
        ADD_FAILURE() << "cannot start " << qEnvironmentVariable("MIRONA_BINARY").toStdString();
        return;
    }
    window_ = waitForWindow(QStringLiteral("Form1"));
    if (window_.isEmpty()) {
        ADD_FAILURE() << "the main window did not appear";
        return;
    }
    if (findCanvas)
        findLayout();
}

MironaSession::~MironaSession() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished();
    }
}

QString MironaSession::waitForWindow(const QString& title, std::chrono::milliseconds timeout) {
    QString found;
    waitUntil(
        [&] {
            const Completed search =
                run(QStringLiteral("xdotool"),
                    {QStringLiteral("search"), QStringLiteral("--all"),
                     QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), number(pid()),
                     QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')});
            found = search.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0);
            return !found.isEmpty();
        },
        timeout);
    return found;
}

bool MironaSession::hasWindow(const QString& title) {
    return !waitForWindow(title, 0ms).isEmpty();
}

// xwininfo's absolute position is the window's own, inside any frame the window manager adds.
QRect MironaSession::geometry(const QString& window) {
    const Completed info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    EXPECT_EQ(info.exitCode, 0) << "xwininfo -id " << window.toStdString();
    const auto field = [&](const QString& name) {
        const QRegularExpression line(QStringLiteral("^\\s*") + name +
                                          QStringLiteral(":\\s*(-?\\d+)"),
                                      QRegularExpression::MultilineOption);
        return line.match(info.output).captured(1).toInt();
    };
    return {field(QStringLiteral("Absolute upper-left X")),
            field(QStringLiteral("Absolute upper-left Y")), field(QStringLiteral("Width")),
            field(QStringLiteral("Height"))};
}

// The canvas is the white square around the client area's centre (the window system's idea of
// the client's position may be a pixel off); the menu titles are the clusters of text in the
// grey bar above it.
void MironaSession::findLayout() {
    client_ = geometry(window_);
    const QPoint centre = client_.center();
    const auto edge = [](const QImage& s, QPoint from, QPoint step) {
        QPoint p = from;
        while (s.rect().contains(p + step) && isWhite(s.pixel(p + step)))
            p += step;
        return p;
    };
    const Settled shown = waitForScreen([&](const QImage& s) {
        if (!isWhite(s.pixel(centre)))
            return false;
        const QPoint topLeft(edge(s, centre, {-1, 0}).x(), edge(s, centre, {0, -1}).y());
        const QPoint bottomRight(edge(s, centre, {1, 0}).x(), edge(s, centre, {0, 1}).y());
        canvas_ = QRect(topLeft, bottomRight);
        return canvas_.width() > 100 && canvas_.height() > 100;
    });
    if (!shown.done) {
        ADD_FAILURE() << "no canvas in the main window: "
                      << keepForInspection(shown.screen, "start-up").toStdString();
        canvas_ = QRect();
        return;
    }
    // Where the canvas lies in the window, in window pixels, and the screen pixels of each of
    // its columns and rows: the canvas's top and left edges lie where the window's pixels'
    // edges do; the window's screen size, rounded, may cut its last pixels short.
    const QPoint local = canvas_.topLeft() - client_.topLeft();
    origin_ = QPoint(qRound(local.x() / scale_), qRound(local.y() / scale_));
    const auto edges = [&](int origin, int at, int length) {
        std::vector<int> out;
        if (qRound(origin * scale_) != at)
            ADD_FAILURE() << "the canvas's edge at " << at << " in the window is no window "
                          << "pixel's edge at scale " << scale_;
        for (int i = 0; qRound((origin + i) * scale_) - at < length; ++i)
            out.push_back(qRound((origin + i) * scale_) - at);
        out.push_back(length);
        return out;
    };
    columns_ = edges(origin_.x(), local.x(), canvas_.width());
    rows_ = edges(origin_.y(), local.y(), canvas_.height());
    const QImage& s = shown.screen;
    const auto inBar = [&](int y) {
        const QRgb p = s.pixel(canvas_.left() + 1, y);
        return qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qGray(p) >= 200;
    };
    int barTop = canvas_.top() - 1;
    while (barTop > 0 && inBar(barTop - 1))
        --barTop;
    std::vector<bool> text(canvas_.width());
    for (int x = 0; x < canvas_.width(); ++x)
        for (int y = barTop; y < canvas_.top(); ++y)
            text[x] = text[x] || isDark(s.pixel(canvas_.left() + x, y));
    for (const auto& [left, right] : runs(text, qRound(kTitleGap * scale_)))
        titles_.emplace_back(canvas_.left() + left, barTop, right - left + 1,
                             canvas_.top() - barTop);
}

OpenMenu MironaSession::open(Menu menu) {
    const QRect title = titles_.at(static_cast<std::size_t>(menu));
    const QImage before = waitForScreen([](const QImage&) { return true; }).screen;
    xdotool({QStringLiteral("mousemove"), number(title.center().x()), number(title.center().y()),
             QStringLiteral("click"), QStringLiteral("1")});
    // The menu drops below the bar: whatever changed there to a colour that is not the
    // canvas's black or white.
    QRect popup;
    const Settled settled = waitForScreen([&](const QImage& s) {
        popup = QRect();
        for (int y = canvas_.top(); y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) {
                const QRgb p = s.pixel(x, y);
                if (p != before.pixel(x, y) && !isBlack(p) && !isWhite(p))
                    popup |= QRect(x, y, 1, 1);
            }
        return popup.width() > 20 && popup.height() > 10;
    });
    if (!settled.done) {
        ADD_FAILURE() << "menu " << static_cast<int>(menu) << " did not open: "
                      << keepForInspection(settled.screen, "menu").toStdString();
        return {};
    }
    const QImage& s = settled.screen;
    std::vector<bool> text(popup.height());
    for (int y = 0; y < popup.height(); ++y)
        for (int x = popup.left() + qRound(kCheckRight * scale_) + 2; x < popup.right() - 3; ++x)
            text[y] = text[y] || isDark(s.pixel(x, popup.top() + y));
    OpenMenu out{popup, frameOf(s, popup), {}};
    for (const auto& [top, bottom] : runs(text, 3)) {
        int dark = 0;
        for (int y = top - 3; y <= bottom + 3; ++y)
            for (int x = popup.left() + qRound(kCheckLeft * scale_);
                 x <= popup.left() + qRound(kCheckRight * scale_); ++x)
                dark += isDark(s.pixel(x, popup.top() + y)) ? 1 : 0;
        out.rows.push_back({popup.top() + top, popup.top() + bottom, dark >= kCheckDarkPixels});
    }
    return out;
}

void MironaSession::click(const OpenMenu& open, int row) {
    const MenuRow& r = open.rows.at(static_cast<std::size_t>(row));
    xdotool({QStringLiteral("mousemove"), number(open.rect.center().x()),
             number((r.top + r.bottom) / 2), QStringLiteral("click"), QStringLiteral("1")});
    waitForClosed(open);
}

void MironaSession::dismiss(const OpenMenu& open) {
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    waitForClosed(open);
}

// Closed when its frame is gone, whatever shows there now: the canvas or a dialog.
void MironaSession::waitForClosed(const OpenMenu& open) {
    const Settled closed =
        waitForScreen([&](const QImage& s) { return frameOf(s, open.rect) != open.frame; });
    EXPECT_TRUE(closed.done) << "the menu stayed open: "
                             << keepForInspection(closed.screen, "menu-open").toStdString();
}

void MironaSession::choose(Menu menu, int row) {
    const OpenMenu opened = open(menu);
    ASSERT_GT(static_cast<int>(opened.rows.size()), row);
    click(opened, row);
}

QStringList MironaSession::moves(const std::vector<QPoint>& path) const {
    QStringList args;
    for (const QPoint& point : path) {
        // The first screen pixel of the canvas pixel: Qt divides its position by the scale.
        const QPoint p = canvas_.topLeft() + QPoint(columns_.at(point.x()), rows_.at(point.y()));
        args << QStringLiteral("mousemove") << number(p.x()) << number(p.y());
    }
    return args;
}

QImage MironaSession::canvas(const QImage& screen) const {
    const QSize size = canvasSize();
    QImage out(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            out.setPixel(x, y, screen.pixel(canvas_.topLeft() + QPoint(columns_[x], rows_[y])));
    return out;
}

QImage MironaSession::onScreen(const QImage& picture) const {
    if (scale_ == 1)
        return picture;
    // Screen pixel i of the window shows the window pixel under its centre, the one above or
    // to the left where the centre is on an edge.
    const auto under = [&](int i, int first, int origin) {
        return static_cast<int>(std::ceil((first + i + 0.5) / scale_)) - 1 - origin;
    };
    const int left = qRound(origin_.x() * scale_);
    const int top = qRound(origin_.y() * scale_);
    QImage out(canvas_.size(), QImage::Format_RGB32);
    for (int j = 0; j < out.height(); ++j)
        for (int i = 0; i < out.width(); ++i)
            out.setPixel(i, j,
                         picture.pixel(under(i, left, origin_.x()), under(j, top, origin_.y())));
    return out;
}

void MironaSession::drag(const std::vector<QPoint>& path, int button, bool release) {
    QStringList args = moves({path.front()});
    args << QStringLiteral("mousedown") << number(button);
    args << moves({path.begin() + 1, path.end()});
    if (release)
        args << QStringLiteral("mouseup") << number(button);
    xdotool(args);
}

void MironaSession::finishDrag(const std::vector<QPoint>& path, int button) {
    xdotool(moves(path) << QStringLiteral("mouseup") << number(button));
}

Settled MironaSession::waitForCanvas(const QImage& expected) {
    const QImage shown = onScreen(expected);
    Settled seen = waitForScreen([&](const QImage& s) { return s.copy(canvas_) == shown; });
    seen.screen = seen.screen.copy(canvas_);
    return seen;
}

int MironaSession::waitForExit(std::chrono::milliseconds timeout) {
    if (!process_.waitForFinished(static_cast<int>(timeout.count())))
        return -1;
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

} // namespace mirona::e2e
