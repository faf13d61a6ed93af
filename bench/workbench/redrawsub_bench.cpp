// redrawsub on the sample skin: each benchmark is 1,000 single calls, reported by their median.
// The peer is the plain Qt way of drawing the same GBA screen 1: QPainter::drawImage with the
// white made transparent by a mask computed for every copy.
#include "../../samples/sample_skin.h"
#include "preview/builtin_pictures.h"
#include "preview/compositor.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace corvamo;

namespace {

FormPictures& skin() {
    static FormPictures p = [] {
        FormPictures loaded;
        for (int slot = 0; slot < 7; ++slot) loaded.Picture1[slot].setPicture(sample_skin::MainPicture(slot));
        for (int slot = 0; slot < 31; ++slot) loaded.Picture5[slot].setPicture(sample_skin::ExtraPicture(slot));
        return loaded;
    }();
    return p;
}

void BM_redrawsub(benchmark::State& run) {
    FormPictures& p = skin();
    ModuleState state;
    state.gbascreen = static_cast<int>(run.range(0));
    state.dswindow = 1;
    for (auto _ : run) {
        redrawsub(p, state, true);
        benchmark::DoNotOptimize(p.Picture2.image().constBits());
    }
}
BENCHMARK(BM_redrawsub)
    ->DenseRange(0, 4)
    ->Iterations(1)
    ->Repetitions(1000)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// The peer: GBA screen 1 only, drawn with QPainter and colour masks.
void BM_qpainter_screen1(benchmark::State& run) {
    const QImage logo = sample_skin::ExtraPicture(QvPdaLogo), item = sample_skin::ExtraPicture(ItemDisc);
    const QImage tile = sample_skin::ExtraPicture(DeskIcon).copy(0, 144, 24, 24);
    const QImage arrow = sample_skin::ExtraPicture(ArrowR), label = LanguageLabel();
    const auto keyed = [](const QImage& image) {
        QImage out = image.convertToFormat(QImage::Format_ARGB32);
        out.setAlphaChannel(image.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskOutColor)
                                .convertToFormat(QImage::Format_Grayscale8));
        return out;
    };
    QImage canvas(240, 160, QImage::Format_RGB32);
    for (auto _ : run) {
        QPainter painter(&canvas);
        painter.drawImage(0, 0, logo);
        painter.drawImage(60, 49, keyed(item));
        painter.drawImage(73, 66, keyed(tile));
        painter.drawImage(112, 66, keyed(arrow));
        painter.drawImage(126, 67, keyed(label));
        painter.end();
        benchmark::DoNotOptimize(canvas.constBits());
    }
}
BENCHMARK(BM_qpainter_screen1)
    ->Iterations(1)
    ->Repetitions(1000)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
