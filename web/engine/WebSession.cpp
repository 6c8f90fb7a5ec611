#include "web/engine/WebSession.hpp"

#include "canvas/BmpEncoder.hpp"
#include "canvas/PngEncoder.hpp"

namespace mirona {

WebSession::WebSession() : surface_(1, 1), editor_(surface_) {
    fitViewToSurface();
    surface_.setChangeListener([this](const PixelRect& r) { changed_.add(r); });
    surface_.setResizeListener([this] { fitViewToSurface(); });
}

void WebSession::pointerMoves(std::int16_t buttons, std::int16_t shift,
                              std::span<const PointerPoint> positions) {
    if (positions.empty())
        return;
    for (const PointerPoint p : isToolChosen(ToolNumber::FreeLine) ? positions : positions.last(1))
        pointerMove(buttons, shift, p.x, p.y);
}

void WebSession::fitViewToSurface() {
    changed_.resize(surface_.width(), surface_.height());
    changed_.add({0, 0, surface_.width(), surface_.height()});
    rgba_.assign(static_cast<std::size_t>(surface_.width()) * surface_.height(), 0);
}

std::vector<PixelRect> WebSession::takeChanged() {
    std::vector<PixelRect> rects = changed_.take();
    const auto w = static_cast<std::size_t>(surface_.width());
    for (const PixelRect& r : rects)
        for (int y = r.top; y < r.bottom; ++y)
            surface_.displayRow(y, r.left, r.right,
                                rgba_.data() + static_cast<std::size_t>(y) * w +
                                    static_cast<std::size_t>(r.left));
    return rects;
}

std::vector<std::uint8_t> WebSession::bmp() const {
    return encodeBmp(surface_.Image(), surface_.width(), surface_.height());
}

std::vector<std::uint8_t> WebSession::png() const {
    return encodePng(editor_.picture(), surface_.width(), surface_.height());
}

} // namespace mirona
