#include "tests/e2e/ReferencePicture.hpp"

#include "tests/e2e/Desktop.hpp"

namespace mirona::e2e {

ReferencePicture::ReferencePicture(int size) : surface_(size, size), drawing_(surface_) {
    state().CanvasW = static_cast<float>(size);
    state().CanvasH = static_cast<std::int16_t>(size);
}

void ReferencePicture::clear() {
    chooseTool(state(), ToolNumber::FreeLine);
    chooseMode(state(), SymmetryMode::JogeSayuNaname);
    surface_.Cls();
}

void ReferencePicture::stroke(const std::vector<QPoint>& path) {
    const auto x = [](QPoint p) { return static_cast<float>(p.x()); };
    const auto y = [](QPoint p) { return static_cast<float>(p.y()); };
    drawing_.Picture1_MouseDown(kLeftButton, 0, x(path.front()), y(path.front()));
    for (std::size_t i = 1; i < path.size(); ++i)
        drawing_.Picture1_MouseMove(kLeftButton, 0, x(path[i]), y(path[i]));
    drawing_.Picture1_MouseUp(kLeftButton, 0, x(path.back()), y(path.back()));
}

void ReferencePicture::figure(QPoint from, QPoint to) {
    drawing_.Picture1_MouseDown(kLeftButton, 0, static_cast<float>(from.x()),
                                static_cast<float>(from.y()));
    drawing_.Picture1_MouseUp(kLeftButton, 0, static_cast<float>(to.x()),
                              static_cast<float>(to.y()));
}

QImage ReferencePicture::image() const {
    const auto pixels = surface_.Image();
    return QImage(reinterpret_cast<const uchar*>(pixels.data()), surface_.width(),
                  surface_.height(), surface_.width() * 4, QImage::Format_RGB32)
        .copy();
}

int asymmetricPixels(const QImage& canvas, const DrawingState& flags) {
    const int n = canvas.width();
    const bool sayu = flags.SayuFlag == 1;
    const bool joge = flags.JogeFlag == 1;
    const bool naname = flags.NanameFlag == 1;
    // Images 2 to 8 of pixel (x, y): the mirrors in the centre lines, the half turn, and the
    // mirrors of those four in the diagonal.
    const auto images = [&](int x, int y) {
        std::vector<QPoint> out;
        if (sayu)
            out.emplace_back(n - x, y);
        if (joge)
            out.emplace_back(x, n - y);
        if (joge && sayu)
            out.emplace_back(n - x, n - y);
        if (naname)
            out.insert(out.end(), {{y, x}, {y, n - x}, {n - y, x}, {n - y, n - x}});
        return out;
    };
    int wrong = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < n; ++x) {
            if (!isBlack(canvas.pixel(x, y)))
                continue;
            for (const QPoint p : images(x, y))
                if (canvas.rect().contains(p) && !isBlack(canvas.pixel(p)))
                    ++wrong;
        }
    return wrong;
}

int blackPixels(const QImage& canvas) {
    int n = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            n += isBlack(canvas.pixel(x, y)) ? 1 : 0;
    return n;
}

} // namespace mirona::e2e
