#include "tests/fuzz/DrawingFuzz.hpp"

#include "canvas/Surface.hpp"
#include "drawing/Editor.hpp"
#include "drawing/MenuChoices.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>
#include <optional>
#include <tuple>

namespace mirona {

namespace {

constexpr int kMaxCanvas = 600;

using Limits = std::numeric_limits<float>;

// Values on the edges of the engine's arithmetic: halves (stored y rounds them), the 16-bit
// limits of stored y, the engine's clipping range, the float range and its special values.
constexpr std::array<float, 32> kSpecialCoordinates{
    0.0f,
    -0.0f,
    0.5f,
    -0.5f,
    1.5f,
    10.5f,
    11.5f,
    0.25f,
    599.0f,
    600.0f,
    32767.0f,
    32767.5f,
    32768.0f,
    -32768.0f,
    -32768.5f,
    -32769.0f,
    65535.0f,
    65536.0f,
    -65536.0f,
    16777216.0f,
    -16777217.0f,
    1e9f,
    -1e9f,
    1e30f,
    -1e30f,
    Limits::max(),
    Limits::lowest(),
    Limits::infinity(),
    -Limits::infinity(),
    Limits::quiet_NaN(),
    Limits::min(),
    Limits::denorm_min(),
};

// std::bit_cast, which the WebAssembly build's library lacks.
template <class To, class From> To bitCast(const From& from) {
    static_assert(sizeof(To) == sizeof(From));
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

class ByteReader final {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    [[nodiscard]] bool empty() const { return pos_ >= bytes_.size(); }

    // The next byte; zeros past the end.
    std::uint8_t byte() { return empty() ? 0 : bytes_[pos_++]; }

    template <class T> T raw() {
        std::array<std::uint8_t, sizeof(T)> b{};
        for (std::uint8_t& v : b)
            v = byte();
        return bitCast<T>(b);
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// Mostly whole pixels on and around the canvas, where drawing happens; sometimes a special
// value or any float at all.
float coordinate(ByteReader& in) {
    const std::uint8_t selector = in.byte();
    if (selector < 192)
        return static_cast<float>((selector * 256 + in.byte()) % 1400 - 400);
    if (selector < 224)
        return kSpecialCoordinates[selector - 192];
    return in.raw<float>();
}

// Mostly the masks of three buttons; sometimes any 16-bit value.
std::int16_t buttonMask(ByteReader& in) {
    const std::uint8_t b = in.byte();
    return b < 248 ? static_cast<std::int16_t>(b % 8) : in.raw<std::int16_t>();
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "drawing fuzz: invariant broken: %s\n", what);
    std::abort();
}

void expect(bool holds, const char* what) {
    if (!holds)
        fail(what);
}

bool isFlag(std::int16_t v) {
    return v == 0 || v == 1;
}

// A y that a stroke keeps exactly and whose differences with others stay in 16 bits. Beyond
// that the pointer's unrounded y and the stored one differ, so a preview may not take away
// exactly what the previous one drew; pointers do not deliver such positions.
bool isOrdinaryY(float y) {
    return std::nearbyint(y) == y && std::fabs(y) <= 16000.0f;
}

bool isRubberBandTool(std::int16_t tool) {
    return tool >= static_cast<std::int16_t>(ToolNumber::ContLine) &&
           tool <= static_cast<std::int16_t>(ToolNumber::Ellipse);
}

// The picture's size and pixels, as one 64-bit digest.
std::uint64_t digest(const Surface& surface) {
    std::uint64_t h = 0xcbf29ce484222325u ^ static_cast<std::uint64_t>(surface.width()) << 32 ^
                      static_cast<std::uint64_t>(surface.height());
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); x += 32)
            h = (h ^ surface.blackMask(x, y)) * 0x100000001b3u;
    return h;
}

// Every field of the state, floats by their bits, so that a NaN equals itself.
auto fields(const DrawingState& s) {
    const auto bits = [](float v) { return bitCast<std::uint32_t>(v); };
    return std::tuple{bits(s.CanvasW), s.CanvasH,  bits(s.AnchorX), s.AnchorY,
                      bits(s.LastX),   s.LastY,    s.ToolNo,        s.ChainFlag,
                      s.JogeFlag,      s.SayuFlag, s.NanameFlag};
}

class Session final {
public:
    explicit Session(int size) : surface_(1, 1), editor_(surface_) {
        editor_.newPicture(size, size);
        pictures_.push_back(digest(surface_));
    }

    void press(std::int16_t button, float x, float y) {
        settlePoint();
        const DrawingState& state = editor_.state();
        if (!editor_.stroking())
            beforeStroke_ = {state, chain_};
        // In a chain a press changes nothing, so a drag already under way goes on.
        if (state.ChainFlag != 0 && drag_) {
            editor_.Picture1_MouseDown(button, 0, x, y);
            return;
        }
        drag_.reset();
        if (isRubberBandTool(state.ToolNo)) {
            before_ = surface_;
            drag_.emplace(Drag{state, button, {x, y}, true, std::nullopt});
        }
        editor_.Picture1_MouseDown(button, 0, x, y);
        // A drag compares with press and release only when no preview is pending: the first
        // move then takes away nothing but the point at the anchor.
        if (drag_)
            drag_->comparable = state.LastX == state.AnchorX && state.LastY == state.AnchorY &&
                                isOrdinaryY(state.AnchorY);
    }

    void move(std::int16_t button, float x, float y) {
        settlePoint();
        if (drag_ && button == kLeftButton) {
            drag_->lastMove = PointerPoint{x, y};
            drag_->comparable = drag_->comparable && isOrdinaryY(y);
        }
        editor_.Picture1_MouseMove(button, 0, x, y);
    }

    // A release, and the front end's settling after it when `idle`.
    void release(std::int16_t button, float x, float y, bool idle) {
        settlePoint();
        if (editor_.state().ToolNo == static_cast<std::int16_t>(ToolNumber::ContLine))
            chain_ = true;
        editor_.Picture1_MouseUp(button, 0, x, y);
        if (drag_ && drag_->comparable && drag_->lastMove && drag_->lastMove->x == x &&
            drag_->lastMove->y == y)
            expect(digest(surface_) == digest(withoutMoves(button)),
                   "a drag released at its last move point differs from press and release");
        drag_.reset();
        pending_ = !editor_.stroking();
        if (idle) {
            settlePoint();
            editor_.settle();
        }
    }

    // A stroke taken back leaves the picture, the state and the history as before its press.
    void abandon() {
        const bool stroking = editor_.stroking();
        const std::uint64_t before = digest(surface_);
        const auto state = fields(editor_.state());
        editor_.abandon();
        expect(!editor_.stroking(), "a button counts as held after the stroke was taken back");
        if (!stroking) {
            expect(digest(surface_) == before && fields(editor_.state()) == state,
                   "taking back with no stroke in progress changed something");
            return;
        }
        drag_.reset();
        chain_ = beforeStroke_.chain;
        expect(digest(surface_) == pictures_[done_] &&
                   fields(editor_.state()) == fields(beforeStroke_.state),
               "a stroke taken back left other pixels or state than before its press");
    }

    void chooseTool(std::uint8_t item) {
        drag_.reset();
        chain_ = false;
        mirona::chooseTool(editor_.state(), static_cast<ToolNumber>(item % 4));
    }

    void chooseMode(std::uint8_t item) {
        drag_.reset();
        mirona::chooseMode(editor_.state(), static_cast<SymmetryMode>(item % 4));
    }

    // New, at the same size or at another.
    void clear(std::uint8_t sizeByte) {
        drag_.reset();
        const int size = sizeByte < 128 ? surface_.width() : 1 + sizeByte * 37 % kMaxCanvas;
        settlePoint();
        chain_ = false;
        editor_.newPicture(size, size);
        expectStep();
    }

    // Opens a picture of random size and colours, or refuses one whose bytes are too few: a
    // stroke in progress is taken back, then the picture is a step of its own, on a square of its
    // longer side, centred, each pixel black by its luminance over white; the tool and the mode
    // stay and the chain ends.
    void open(std::uint8_t widthByte, std::uint8_t heightByte, std::uint32_t seed) {
        drag_.reset();
        const int width = 1 + widthByte * 37 % kMaxCanvas;
        const int height = heightByte < 64 ? width : 1 + heightByte * 53 % kMaxCanvas;
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
        // Random bytes; or, for some seeds, greys and translucent pixels around the threshold.
        for (std::uint32_t h = seed; std::uint8_t & v : rgba) {
            h = h * 1664525u + 1013904223u;
            v = static_cast<std::uint8_t>(seed % 3 == 0 ? 120 + (h >> 24) % 16 : h >> 24);
        }
        const std::uint64_t picture = digest(surface_);
        if (seed % 16 == 1) {
            expect(!editor_.openPicture(width, height, {rgba.data(), rgba.size() - 4}),
                   "a picture with too few pixels was opened");
            expect(digest(surface_) == picture, "a picture refused changed the canvas");
            return;
        }
        if (editor_.stroking())
            chain_ = beforeStroke_.chain;
        else
            settlePoint();
        const DrawingState kept = editor_.stroking() ? beforeStroke_.state : editor_.state();
        expect(editor_.openPicture(width, height, rgba), "a picture was refused");
        chain_ = false;
        expectStep();
        const DrawingState& state = editor_.state();
        expect(state.ToolNo == kept.ToolNo && state.JogeFlag == kept.JogeFlag &&
                   state.SayuFlag == kept.SayuFlag && state.NanameFlag == kept.NanameFlag,
               "opening a picture changed the tool or the mode");
        const int side = std::max(width, height);
        expect(surface_.width() == side && surface_.height() == side,
               "an opened picture's canvas is not the square of its longer side");
        const int left = (side - width) / 2;
        const int top = (side - height) / 2;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                bool black = false;
                if (x >= left && x < left + width && y >= top && y < top + height) {
                    const std::uint8_t* p =
                        &rgba[(static_cast<std::size_t>(y - top) * width + x - left) * 4];
                    const double a = p[3] / 255.0;
                    const auto over = [a](std::uint8_t c) { return c * a + 255 * (1 - a); };
                    const double luminance =
                        0.299 * over(p[0]) + 0.587 * over(p[1]) + 0.114 * over(p[2]);
                    if (std::fabs(luminance - 128) < 1e-6)
                        continue; // on the line, where floating point cannot tell
                    black = luminance < 128;
                }
                expect(surface_.pixel(x, y) == (black ? Surface::kBlack : Surface::kWhite),
                       "an opened picture's pixel is not black by its luminance over white");
            }
    }

    // Undo (back) or redo. Either first makes a step of what was drawn without a press.
    void travel(bool back) {
        drag_.reset();
        const std::uint64_t before = digest(surface_);
        if (editor_.stroking()) {
            expect(!pending_, "a step pending during a stroke");
            expect(!(back ? editor_.undo() : editor_.redo()), "undo or redo during a stroke");
            expect(digest(surface_) == before, "undo or redo during a stroke changed pixels");
            return;
        }
        pending_ = false;
        chain_ = false;
        expectStep();
        const bool possible = back ? done_ > 0 : done_ + 1 < pictures_.size();
        expect((back ? editor_.undo() : editor_.redo()) == possible,
               "undo or redo disagrees with the steps drawn");
        if (possible)
            done_ = back ? done_ - 1 : done_ + 1;
        forgetDropped();
        expect(digest(surface_) == pictures_[done_],
               "undo or redo left a picture other than the one before or after the step");
    }

    // Undoes every step the history holds: the picture from before the oldest comes back.
    void undoAll() {
        if (editor_.stroking())
            return;
        pending_ = false;
        expectStep();
        while (editor_.undo()) {
        }
        forgetDropped();
        expect(digest(surface_) == pictures_.front(),
               "undoing every step held left another picture than the one before the oldest");
    }

    // The oldest steps go from the model as the history drops them at its commits.
    void forgetDropped() {
        while (pictures_.size() - 1 > editor_.history().steps()) {
            pictures_.pop_front();
            --done_;
        }
    }

    void checkState() {
        const DrawingState& state = editor_.state();
        expect(isFlag(state.JogeFlag) && isFlag(state.SayuFlag) && isFlag(state.NanameFlag),
               "a symmetry flag is neither 0 nor 1");
        expect(state.ToolNo >= 0 && state.ToolNo <= 3, "the tool number left 0 to 3");
        expect(state.ChainFlag == (chain_ ? 1 : 0),
               "a chain of lines goes on other than after a line's release until a tool "
               "choice, New, undo or redo");
        expect(surface_.width() == static_cast<int>(state.CanvasW) &&
                   surface_.height() == state.CanvasH,
               "the canvas size and the state disagree");
        const History& history = editor_.history();
        expect(history.steps() == pictures_.size() - 1 && history.undoable() == done_,
               "the history holds other steps than were drawn");
        expect(history.bytes() <= History::kDefaultBudget || history.steps() == 1,
               "the history outgrew its budget");
        if (history.steps() > 0) {
            const std::uint32_t newest = history.serial(history.steps() - 1);
            expect(made_ == checkedMade_ ? newest == newestSerial_ : newest > newestSerial_,
                   "a new step's serial is not above every serial before it");
            newestSerial_ = newest;
            checkedMade_ = made_;
        }
    }

    [[nodiscard]] std::uint64_t picture() const { return digest(surface_); }

    // The session through a snapshot. Restored into a fresh editor it gives the same picture
    // and the same snapshot, and undoes and redoes the same pictures step by step. Damaged, a
    // snapshot is restored or refused, never anything worse, and refused it changes nothing.
    void checkSnapshot(std::uint64_t seed) {
        if (editor_.stroking())
            return;
        pending_ = false;
        expectStep();
        const std::vector<std::uint8_t> bytes = editor_.snapshot();
        forgetDropped();
        expect(inPieces() == bytes, "a snapshot differs from its head and steps");
        Surface surface(1, 1);
        Editor copy(surface);
        expect(copy.restore(bytes), "a snapshot was refused");
        expect(digest(surface) == digest(surface_), "a restored snapshot shows another picture");
        expect(copy.snapshot() == bytes, "a restored snapshot's snapshot differs");
        for (const bool back : {true, false})
            for (bool moved = true; moved;) {
                moved = back ? editor_.undo() : editor_.redo();
                expect(moved == (back ? copy.undo() : copy.redo()) &&
                           digest(surface) == digest(surface_),
                       "a restored snapshot undoes or redoes otherwise");
            }
        done_ = pictures_.size() - 1;

        const std::vector<std::uint8_t> undamaged = copy.snapshot();
        std::vector<std::uint8_t> damaged = undamaged;
        if (seed % 4 == 0)
            damaged.resize(seed / 4 % damaged.size());
        for (std::uint64_t flips = damaged.empty() ? 0 : seed % 3 + 1, h = seed; flips > 0;
             --flips) {
            h = h * 0x9E3779B97F4A7C15u + 1;
            damaged[(h >> 20) % damaged.size()] ^= static_cast<std::uint8_t>(1u << (h >> 8) % 8);
        }
        const std::uint64_t before = digest(surface);
        if (!copy.restore(damaged)) {
            expect(digest(surface) == before && copy.snapshot() == undamaged,
                   "a refused snapshot changed the session");
            return;
        }
        while (copy.undo()) {
        }
        while (copy.redo()) {
        }
    }

    // A snapshot during a stroke, and its head and steps, are those after the stroke is taken
    // back.
    void checkStrokeLeftOut() {
        if (!editor_.stroking())
            return;
        const std::vector<std::uint8_t> during = editor_.snapshot();
        expect(inPieces() == during, "a snapshot differs from its head and steps");
        abandon();
        expect(editor_.snapshot() == during, "a snapshot during a stroke holds some of it");
    }

private:
    // Where nothing is held, whatever changed since the last step is a step: the picture after
    // it comes next in the model, past the ones that could be redone.
    void expectStep() {
        const std::uint64_t now = digest(surface_);
        if (now != pictures_[done_]) {
            pictures_.resize(done_ + 1);
            pictures_.push_back(now);
            ++done_;
            ++made_;
        }
    }

    // The snapshot as the page stores it: the head, then each step's record.
    std::vector<std::uint8_t> inPieces() {
        std::vector<std::uint8_t> bytes = editor_.snapshotHead();
        for (std::size_t i = 0; i < editor_.stepCount(); ++i) {
            const std::vector<std::uint8_t> step = editor_.stepBytes(i);
            bytes.insert(bytes.end(), step.begin(), step.end());
        }
        return bytes;
    }

    // Where the editor settles a release's step before anything else: the model makes it too,
    // from the picture as the release left it.
    void settlePoint() {
        if (!pending_)
            return;
        pending_ = false;
        expectStep();
    }

    // A rubber-band drag from its press on, with the state before the press; the canvas
    // before it is in before_.
    struct Drag {
        DrawingState state;
        std::int16_t pressButton = 0;
        PointerPoint pressPoint;
        bool comparable = true;
        std::optional<PointerPoint> lastMove;
    };

    // The drag's press and the release on a copy of the canvas as it was before the press.
    const Surface& withoutMoves(std::int16_t releaseButton) {
        replay_ = before_;
        SymmetricDrawing replay(replay_);
        replay.state() = drag_->state;
        replay.Picture1_MouseDown(drag_->pressButton, 0, drag_->pressPoint.x, drag_->pressPoint.y);
        replay.Picture1_MouseUp(releaseButton, 0, drag_->lastMove->x, drag_->lastMove->y);
        return replay_;
    }

    Surface surface_;
    Editor editor_;
    std::optional<Drag> drag_;
    // The digests of the picture before the oldest step held and after each step; done_ is
    // the one shown.
    std::deque<std::uint64_t> pictures_;
    std::size_t done_ = 0;
    // Steps the model has made, and how many of them checkState() has seen, with the serial of
    // the newest step then.
    std::size_t made_ = 0;
    std::size_t checkedMade_ = 0;
    std::uint32_t newestSerial_ = 0;
    bool pending_ = false; // a release's step is still to be made
    bool chain_ = false;   // a chain of lines goes on from the last release
    struct {
        DrawingState state;
        bool chain = false;
    } beforeStroke_;
    // Copies of the canvas, sized at the first drag; copying needs no drawing.
    Surface before_{1, 1};
    Surface replay_{1, 1};
};

} // namespace

std::uint64_t runDrawingFuzzInput(std::span<const std::uint8_t> input) {
    ByteReader in(input);
    Session session(1 + in.raw<std::uint16_t>() % kMaxCanvas);
    while (!in.empty()) {
        const std::uint8_t event = in.byte() % 41;
        if (event < 4) {
            const std::int16_t button = buttonMask(in);
            const float x = coordinate(in);
            session.press(button, x, coordinate(in));
        } else if (event < 19) {
            const std::int16_t button = buttonMask(in);
            const float x = coordinate(in);
            session.move(button, x, coordinate(in));
        } else if (event < 23) {
            const std::int16_t button = buttonMask(in);
            const float x = coordinate(in);
            session.release(button, x, coordinate(in), event < 21);
        } else if (event < 27) {
            session.chooseTool(in.byte());
        } else if (event < 31) {
            session.chooseMode(in.byte());
        } else if (event < 32) {
            session.clear(in.byte());
        } else if (event < 39) {
            session.travel(event < 36);
        } else if (event == 39) {
            session.abandon();
        } else {
            const std::uint8_t width = in.byte();
            const std::uint8_t height = in.byte();
            session.open(width, height, in.raw<std::uint32_t>());
        }
        session.forgetDropped();
        session.checkState();
    }
    const std::uint64_t picture = session.picture();
    std::uint64_t seed = 0xcbf29ce484222325u;
    for (const std::uint8_t b : input)
        seed = (seed ^ b) * 0x100000001b3u;
    session.checkStrokeLeftOut();
    session.checkSnapshot(seed);
    session.undoAll();
    return picture;
}

} // namespace mirona
