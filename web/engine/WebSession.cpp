#include "web/engine/WebSession.hpp"

#include "canvas/BmpEncoder.hpp"
#include "canvas/PngEncoder.hpp"

namespace mirona {

WebSession::WebSession() : surface_(1, 1), editor_(surface_), page_(surface_) {
    surface_.setShownTiles(page_.marks());
    // After a change of size the whole canvas is to be shown again.
    surface_.setResizeListener([this] { page_.reset(); });
}

void WebSession::pointerMoves(std::int16_t buttons, std::int16_t shift,
                              std::span<const PointerPoint> positions) {
    if (positions.empty())
        return;
    for (const PointerPoint p : isToolChosen(ToolNumber::FreeLine) ? positions : positions.last(1))
        pointerMove(buttons, shift, p.x, p.y);
}

std::vector<std::uint8_t> WebSession::bmp() const {
    return encodeBmp(surface_.Image(), surface_.width(), surface_.height());
}

std::vector<std::uint8_t> WebSession::png() const {
    return encodePng(editor_.picture(), surface_.width(), surface_.height());
}

} // namespace mirona
