// A long session: random pointer events, menu choices, undo and redo through the real main
// window on the offscreen platform, printing the resident memory every 100 000 events. Not a
// test: the figures are for reading (scripts/soak.sh). Usage: mirona_soak [events] [seed]
#include "app/Form1.hpp"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <random>
#include <unistd.h>

namespace {

constexpr long kDefaultEvents = 1'000'000;
constexpr long kReportEvery = 100'000;
constexpr long kPaintEvery = 1'000; // lets the window repaint, as an idle user interface would

// Every menu item except Save, About and Quit, which open a window or end the program.
constexpr std::array kMenuItems{"Hakushi",      "Joge",           "Sayu",
                                "JogeSayu",     "JogeSayuNaname", "MenuFreeLine",
                                "MenuContLine", "MenuBox",        "MenuEllipse"};

// Shows that the events reach the drawing: a session that draws nothing proves nothing.
long blackPixels(mirona::Form1& form) {
    const auto pixels = form.canvas().surface().Image();
    return std::count(pixels.begin(), pixels.end(), mirona::Surface::kBlack);
}

// What the program holds on the heap: resident memory also counts freed pages the allocator
// keeps, so a leak shows here first.
long heapInUseKiB() {
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

struct Resident {
    long total = 0;  // KiB
    long shared = 0; // KiB of it backed by files: code and data of the program and its libraries
};

Resident resident() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long total = 0;
    long shared = 0;
    statm >> size >> total >> shared;
    const long pageKiB = sysconf(_SC_PAGESIZE) / 1024;
    return {total * pageKiB, shared * pageKiB};
}

class Session final {
public:
    Session(mirona::Form1& form, unsigned seed)
        : form_(form), canvas_(form.canvas()), random_(seed) {
        for (const char* name : kMenuItems)
            actions_.push_back(form.findChild<QAction*>(QString::fromLatin1(name)));
    }

    void step() {
        const int kind = pick(0, 99);
        if (kind < 2)
            actions_[pick(0, static_cast<int>(actions_.size()) - 1)]->trigger();
        else if (kind < 3)
            form_.undo();
        else if (kind < 4)
            form_.redo();
        else if (kind < 12)
            press();
        else if (kind < 22)
            release();
        else
            move();
    }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }

    // Mostly small steps, like a hand on a mouse; sometimes a jump anywhere on or around the
    // canvas, outside it too.
    QPointF nextPosition() {
        const int size = canvas_.width();
        if (pick(0, 19) == 0)
            position_ = QPointF(pick(-100, size + 100), pick(-100, size + 100));
        else
            position_ += QPointF(pick(-8, 8), pick(-8, 8));
        return position_;
    }

    void send(QEvent::Type type, Qt::MouseButton button) {
        const QPointF p = nextPosition();
        QMouseEvent event(type, p, canvas_.mapToGlobal(p), button, held_, Qt::NoModifier);
        QApplication::sendEvent(&canvas_, &event);
    }

    void press() {
        const Qt::MouseButton button = kButtons[pick(0, 2)];
        if (held_.testFlag(button))
            return move();
        held_ |= button;
        send(QEvent::MouseButtonPress, button);
    }

    void release() {
        for (Qt::MouseButton button : kButtons) {
            if (held_.testFlag(button)) {
                held_ &= ~button;
                return send(QEvent::MouseButtonRelease, button);
            }
        }
        move();
    }

    void move() { send(QEvent::MouseMove, Qt::NoButton); }

    static constexpr std::array kButtons{Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};

    mirona::Form1& form_;
    QWidget& canvas_;
    std::mt19937 random_;
    std::vector<QAction*> actions_;
    Qt::MouseButtons held_;
    QPointF position_{200, 200};
};

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long events = argc > 1 ? std::atol(argv[1]) : kDefaultEvents;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 1u;

    mirona::Form1 form;
    form.Form_Load();
    QApplication::processEvents();
    Session session(form, seed);

    const auto report = [&](long done) {
        const Resident r = resident();
        std::printf("events %9ld: resident %ld KiB (%ld KiB of it file-backed), heap in use %ld "
                    "KiB, black pixels %ld\n",
                    done, r.total, r.shared, heapInUseKiB(), blackPixels(form));
        std::fflush(stdout);
        return r;
    };
    report(0);
    Resident warmedUp;
    for (long i = 1; i <= events; ++i) {
        session.step();
        if (i % kPaintEvery == 0)
            QApplication::processEvents();
        if (i % kReportEvery == 0) {
            const Resident r = report(i);
            if (i == kReportEvery)
                warmedUp = r;
        }
    }
    const Resident last = resident();
    std::printf("growth after the first %ld events: %ld KiB resident, %ld KiB not file-backed\n",
                kReportEvery, last.total - warmedUp.total,
                (last.total - last.shared) - (warmedUp.total - warmedUp.shared));
    return 0;
}
