// What the viewer does with a 1600 x 1500 print: opening the WSQ file the way the main window
// does (loadDocument, then a pixmap), and the scaling work of every zoom step (Zoom In, Zoom
// Out, Zoom Fit, 100%), offscreen. Beside it, in the same run, Qt's own reader opening the
// same picture as a PNG, as the peer the figures are quoted against.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "../app/zoom_steps.h"
#include "document_load.h"
#include "synthprint.h"
#include "wsq/encoder.h"

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 1500;
constexpr int kWindowSide = 480;  // the main window's first size

struct Sample {
    QString wsq;
    QString png;
};

// The sample as the bundled one is made (synthprint, 500 ppi, 0.75 bits per pixel), at
// 1600 x 1500, and the same pixels as a PNG.
const Sample& sample() {
    static const Sample s = [] {
        synthprint::PrintOptions options;
        options.width = kWidth;
        options.height = kHeight;
        options.seed = 2024;
        const std::vector<uint8_t> pixels = synthprint::make_synthetic_print(options);
        std::vector<uint8_t> stream;
        int len = 0;
        if (wsq::wsq_encode_1(&stream, &len, 0.75f, pixels.data(), kWidth, kHeight, 8, 500,
                              "Synthetic fingerprint (seed 2024), made by synthprint") != 0) {
            std::fprintf(stderr, "bench: encoding the sample failed\n");
            std::exit(1);
        }
        const std::filesystem::path dir = std::filesystem::temp_directory_path();
        Sample out;
        out.wsq = QString::fromStdString((dir / "bench_viewer_sample.wsq").string());
        out.png = QString::fromStdString((dir / "bench_viewer_sample.png").string());
        if (FILE* f = std::fopen(out.wsq.toLocal8Bit().constData(), "wb")) {
            std::fwrite(stream.data(), 1, static_cast<size_t>(len), f);
            std::fclose(f);
        }
        QImage image(pixels.data(), kWidth, kHeight, kWidth, QImage::Format_Grayscale8);
        image.save(out.png);
        return out;
    }();
    return s;
}

// The main window's step: the whole picture scaled smoothly to exactly the size asked for.
QPixmap smoothScaled(const QPixmap& picture, QSize size) {
    return QPixmap::fromImage(
        picture.toImage().scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

const QPixmap& loaded() {
    static const QPixmap pixmap =
        QPixmap::fromImage(document::loadDocument(sample().wsq).picture());
    return pixmap;
}

void report_pixels(benchmark::State& state, int64_t pixels) {
    state.counters["Mpixel/s"] = benchmark::Counter(
        static_cast<double>(pixels) * static_cast<double>(state.iterations()) / 1e6,
        benchmark::Counter::kIsRate);
}

void BM_OpenWsq(benchmark::State& state) {
    const QString name = sample().wsq;
    for (auto _ : state) {
        const document::Document doc = document::loadDocument(name);
        QPixmap pixmap = QPixmap::fromImage(doc.picture());
        benchmark::DoNotOptimize(pixmap);
    }
    report_pixels(state, int64_t{kWidth} * kHeight);
}

void BM_OpenPngPeer(benchmark::State& state) {
    const QString name = sample().png;
    for (auto _ : state) {
        QPixmap pixmap = QPixmap::fromImage(QImage(name));
        benchmark::DoNotOptimize(pixmap);
    }
    report_pixels(state, int64_t{kWidth} * kHeight);
}

// Zoom In from 100%: the full picture scaled by 1.2 (truncated), 1600 x 1500 to 1919 x 1799.
void BM_ZoomIn(benchmark::State& state) {
    const QPixmap& picture = loaded();
    const std::optional<QSize> size = zoomInSize(picture.size());
    if (!size) {
        state.SkipWithError("no Zoom In size");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(smoothScaled(picture, *size));
    report_pixels(state, int64_t{size->width()} * size->height());
}

// Zoom Out rescales what is shown: from 100% to 1333 x 1250.
void BM_ZoomOut(benchmark::State& state) {
    const QPixmap& picture = loaded();
    const std::optional<QSize> size = zoomOutSize(picture.size());
    if (!size) {
        state.SkipWithError("no Zoom Out size");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(smoothScaled(picture, *size));
    report_pixels(state, int64_t{picture.width()} * picture.height());
}

// Zoom Fit into the main window's first size.
void BM_ZoomFit(benchmark::State& state) {
    const QPixmap& picture = loaded();
    const std::optional<QSize> size = zoomFitSize(QSize(kWindowSide, kWindowSide), picture.size());
    if (!size) {
        state.SkipWithError("no Zoom Fit size");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(
            smoothScaled(picture, visibleShownSize(size->width(), size->height())));
    report_pixels(state, int64_t{picture.width()} * picture.height());
}

// 100% shows the loaded pixmap itself: no scaling, only the pixmap copy handed to the label.
void BM_ZoomOriginal(benchmark::State& state) {
    const QPixmap& picture = loaded();
    for (auto _ : state) {
        QPixmap shown = picture;
        benchmark::DoNotOptimize(shown);
    }
    report_pixels(state, int64_t{picture.width()} * picture.height());
}

// Wall time: Qt's smooth scaling runs on its own worker threads.
BENCHMARK(BM_OpenWsq)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPngPeer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomIn)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomOut)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomFit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomOriginal)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    sample();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(sample().wsq.toStdString());
    std::filesystem::remove(sample().png.toStdString());
    return 0;
}
