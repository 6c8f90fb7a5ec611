// The functions the web page calls: one session, its pointer handlers, menu commands and
// bitmap. Rectangles and files are handed over as a pointer into memory and a count.
#include "canvas/PngEncoder.hpp"
#include "texts/SaveFailureReason.hpp"
#include "texts/Texts.hpp"
#include "web/engine/Thumbnail.hpp"
#include "web/engine/WebSession.hpp"

#include <emscripten/emscripten.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

mirona::WebSession& session() {
    static mirona::WebSession instance;
    return instance;
}

std::vector<mirona::PixelRect> changed;
std::vector<std::uint8_t> file;
std::vector<std::uint8_t> kept;
std::vector<std::uint8_t> head;
std::vector<std::uint8_t> step;
mirona::Thumbnail small;

// Keeps `items` in `keeper` until the next call that hands over through it: the page reads them
// from memory, `*count` of them from the pointer returned.
template <class T> const T* handOver(std::vector<T>& keeper, std::vector<T> items, int* count) {
    keeper = std::move(items);
    *count = static_cast<int>(keeper.size());
    return keeper.data();
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void newPicture(int areaWidth, int areaHeight) {
    session().newPicture(areaWidth, areaHeight);
}
EMSCRIPTEN_KEEPALIVE void pointerDown(int button, int shift, float x, float y) {
    session().pointerDown(static_cast<std::int16_t>(button), static_cast<std::int16_t>(shift), x,
                          y);
}
// `positions` holds x, y pairs of 32-bit floats.
EMSCRIPTEN_KEEPALIVE void pointerMoves(int buttons, int shift,
                                       const mirona::PointerPoint* positions, int count) {
    session().pointerMoves(static_cast<std::int16_t>(buttons), static_cast<std::int16_t>(shift),
                           {positions, static_cast<std::size_t>(count)});
}
EMSCRIPTEN_KEEPALIVE void pointerUp(int button, int shift, float x, float y) {
    session().pointerUp(static_cast<std::int16_t>(button), static_cast<std::int16_t>(shift), x, y);
}
EMSCRIPTEN_KEEPALIVE void abandon() {
    session().abandon();
}
EMSCRIPTEN_KEEPALIVE void settle() {
    session().settle();
}
EMSCRIPTEN_KEEPALIVE void selectTool(int tool) {
    session().selectTool(static_cast<mirona::ToolNumber>(tool));
}
EMSCRIPTEN_KEEPALIVE void selectMode(int mode) {
    session().selectMode(static_cast<mirona::SymmetryMode>(mode));
}
EMSCRIPTEN_KEEPALIVE bool isToolChosen(int tool) {
    return session().isToolChosen(static_cast<mirona::ToolNumber>(tool));
}
EMSCRIPTEN_KEEPALIVE bool isModeChosen(int mode) {
    return session().isModeChosen(static_cast<mirona::SymmetryMode>(mode));
}
EMSCRIPTEN_KEEPALIVE bool undo() {
    return session().undo();
}
EMSCRIPTEN_KEEPALIVE bool redo() {
    return session().redo();
}
EMSCRIPTEN_KEEPALIVE bool canUndo() {
    return session().canUndo();
}
EMSCRIPTEN_KEEPALIVE bool canRedo() {
    return session().canRedo();
}
EMSCRIPTEN_KEEPALIVE int width() {
    return session().width();
}
EMSCRIPTEN_KEEPALIVE int height() {
    return session().height();
}
EMSCRIPTEN_KEEPALIVE const std::uint8_t* rgba() {
    return session().rgba();
}
// The rectangles of the bitmap to put on the canvas, as left, top, right, bottom, four 32-bit
// integers each, valid until the next call: how many go to result[0], and to result[1] whether
// the whole canvas is to be filled white first.
EMSCRIPTEN_KEEPALIVE const mirona::PixelRect* takeChanged(int* result) {
    mirona::PageBitmap::Changes changes = session().takeChanged();
    result[1] = changes.fillWhite ? 1 : 0;
    return handOver(changed, std::move(changes.rects), result);
}
// The texts the page shows, all but the desktop's own: for each, its element's id, a unit
// separator (1F), the text and a record separator (1E); UTF-8 and NUL-terminated.
EMSCRIPTEN_KEEPALIVE const char* texts() {
    static const std::string all = [] {
        std::string records;
        for (const mirona::NamedText& t : mirona::kTexts)
            if (t.edition != mirona::Edition::Desktop)
                records.append(t.name).append("\x1f").append(t.text).append("\x1e");
        return records;
    }();
    return all.c_str();
}
// Why a save failed, for the name of the exception the browser's file system access threw: one
// line in Japanese, UTF-8 and NUL-terminated.
EMSCRIPTEN_KEEPALIVE const char* saveFailureText(const char* errorName) {
    using enum mirona::SaveFailureReason;
    const std::string_view name = errorName;
    const mirona::SaveFailureReason reason = name == "NotFoundError"       ? NoFolder
                                             : name == "TypeMismatchError" ? FolderOfThatName
                                             : name == "NotAllowedError"   ? NoPermission
                                             : name == "SecurityError"     ? NoPermission
                                             : name == "NoModificationAllowedError" ? ReadOnlyPlace
                                             : name == "QuotaExceededError"         ? DiskFull
                                                                                    : Unknown;
    return mirona::saveFailureText(reason).data();
}
// Why a share failed, for the name of the exception navigator.share threw (a cancel is none):
// one line in Japanese, UTF-8 and NUL-terminated.
EMSCRIPTEN_KEEPALIVE const char* shareFailureText(const char* errorName) {
    const std::string_view name = errorName;
    return (name == "NotAllowedError"     ? mirona::textOf("ShareNotAllowed")
            : name == "InvalidStateError" ? mirona::textOf("ShareBusy")
            : name == "DataError" || name == "TypeError" || name == "NotSupportedError"
                ? mirona::textOf("ShareNotTaken")
                : mirona::saveFailureText(mirona::SaveFailureReason::Unknown))
        .data();
}
// The BMP file of the picture; valid until the next call.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* bmp(int* size) {
    return handOver(file, session().bmp(), size);
}
// The PNG file of the picture as it is, a stroke in progress left out; valid until the next call.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* png(int* size) {
    return handOver(file, session().png(), size);
}
// The CRC that ends a PNG chunk, of the `size` bytes of its type and data at `bytes`: for the
// page's check of a file's header.
EMSCRIPTEN_KEEPALIVE std::uint32_t pngCrc(const std::uint8_t* bytes, int size) {
    return mirona::pngCrc({bytes, static_cast<std::size_t>(size)});
}
// The session's snapshot, to be stored; valid until the next call.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* snapshot(int* size) {
    return handOver(kept, session().snapshot(), size);
}
// The picture at most `maxSide` pixels a side, one grey byte a pixel, for the list of pictures;
// its width and height go to size[0] and size[1]. Valid until the next call.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* thumbnail(int maxSide, int* size) {
    small = session().thumbnail(maxSide);
    size[0] = small.width;
    size[1] = small.height;
    return small.grey.data();
}
// Opens a picture from `width` x `height` RGBA pixels at `rgba`, as an undo step; false, and
// nothing changed, for a side outside 1 to 8192.
EMSCRIPTEN_KEEPALIVE bool openPicture(int width, int height, const std::uint8_t* rgba) {
    return session().openPicture(width, height, rgba);
}
// Opens a stored snapshot of `size` bytes at `bytes`; false, and nothing changed, when they are
// not one.
EMSCRIPTEN_KEEPALIVE bool restore(const std::uint8_t* bytes, int size) {
    return session().restore({bytes, static_cast<std::size_t>(size)});
}
// The snapshot's head, to be stored as one record; valid until the next call. Makes a step of
// what was drawn since the last one, as snapshot() does.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* snapshotHead(int* size) {
    return handOver(head, session().snapshotHead(), size);
}
// The steps the head counts, oldest first (i from 0 to stepCount() - 1); a step's serial never
// changes nor goes to another step of the picture, and the same serial always brings the same
// bytes. JavaScript reads a serial as a signed number (`>>> 0` makes it unsigned), though serials
// start at 1 and go up by one a step.
EMSCRIPTEN_KEEPALIVE int stepCount() {
    return static_cast<int>(session().stepCount());
}
EMSCRIPTEN_KEEPALIVE std::uint32_t stepSerial(int i) {
    return session().stepSerial(static_cast<std::size_t>(i));
}
// Step i's record, to be stored once under its serial; valid until the next call.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* stepBytes(int i, int* size) {
    return handOver(step, session().stepBytes(static_cast<std::size_t>(i)), size);
}
// Whether a button is held on the canvas.
EMSCRIPTEN_KEEPALIVE bool stroking() {
    return session().stroking();
}
}
