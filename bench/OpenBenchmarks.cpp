// Opening a 2048 px picture file on the desktop: Qt's decoder from the file (size read first,
// allocation limited), then the engine's picture from the pixels, as Form1::openFile does.
#include "app/BmpFile.hpp"
#include "app/CanvasWidget.hpp"
#include "app/PictureFile.hpp"
#include "bench/Registration.hpp"
#include "drawing/Editor.hpp"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <string>

namespace mirona {

namespace {

constexpr int kSide = 2048;

// A drawing of the size: rings and spokes, as a pupil's picture has lines rather than noise.
QImage drawing() {
    CanvasWidget canvas;
    Surface& surface = canvas.surface();
    surface.resize(kSide, kSide);
    for (int r = 16; r < kSide / 2; r += 23)
        surface.Circle(kSide / 2.0f, kSide / 2.0f, static_cast<float>(r), 1.0f);
    for (int i = 0; i < 64; ++i)
        surface.Line(static_cast<float>(i * 32), 0, static_cast<float>(kSide - i * 32),
                     static_cast<float>(kSide - 1), LineOption::Segment);
    return canvas.image();
}

void open(benchmark::State& st, const QString& fileName) {
    Surface surface(1, 1);
    Editor editor(surface);
    editor.newPicture(451, 451);
    for (auto _ : st) {
        auto picture = readPicture(fileName);
        const auto& image = std::get<QImage>(picture);
        editor.openPicture(image.width(), image.height(),
                           {image.constBits(), static_cast<std::size_t>(image.sizeInBytes())});
        benchmark::DoNotOptimize(surface.bits().data());
    }
    st.counters["steps"] = static_cast<double>(editor.history().steps());
}

} // namespace

void registerOpenBenchmarks() {
    static const auto folder = std::make_unique<QTemporaryDir>();
    const QImage picture = drawing();
    const QString bmp = folder->filePath(QStringLiteral("picture.bmp"));
    const QString png = folder->filePath(QStringLiteral("picture.png"));
    if (saveBmp(picture, bmp) || !picture.save(png))
        return;
    for (const auto& [format, file] : {std::pair{"BMP", bmp}, std::pair{"PNG", png}})
        benchmark::RegisterBenchmark(
            ("Open/" + std::string(format) + "/" + std::to_string(kSide) + "/Desktop").c_str(),
            [file](benchmark::State& st) { open(st, file); })
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
}

} // namespace mirona
