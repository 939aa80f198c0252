// How long one display takes (load the picture, draw it into the layered
// window, restart the timer, show), median and 99th percentile.
#include "BenchOsd.h"
#include "GdiplusSession.h"

int wmain() {
    const observe::GdiplusSession gdiplus;
    {
        BenchOsd osd;
        if (!osd.Create(131, nullptr)) {
            std::fprintf(stderr, "osd_bench: the OSD window could not be created\n");
            return 1;
        }
        const uint16_t ids[] = {194, 196, 197, 207, 198, 199, 200, 201, 202, 203, 204, 155, 156, 157, 183};
        std::vector<double> samples;
        std::vector<double> loads;
        std::vector<double> renders;
        constexpr int kWarmUp = 50;
        constexpr int kSamples = 2000;
        for (int i = 0; i < kWarmUp + kSamples; ++i) {
            const double start = NowMs();
            osd.LoadPngPicture(ids[i % (sizeof(ids) / sizeof(ids[0]))]);
            const double loaded = NowMs();
            osd.RenderAndShow(OSD_TIMER_HIDE);
            const double end = NowMs();
            if (i >= kWarmUp) {
                samples.push_back(end - start);
                loads.push_back(loaded - start);
                renders.push_back(end - loaded);
            }
            PumpPending();
        }
        std::printf("one display (load + render + show), %d samples: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
                    kSamples, Percentile(samples, 0.5), Percentile(samples, 0.99), Percentile(samples, 1.0));
        std::printf("  of which load: median %.3f ms, p99 %.3f ms; render + show: median %.3f ms, p99 %.3f ms\n",
                    Percentile(loads, 0.5), Percentile(loads, 0.99), Percentile(renders, 0.5),
                    Percentile(renders, 0.99));
        // The usual case on the notebook: the OSD is hidden when a key comes.
        std::vector<double> fromHidden;
        for (int i = 0; i < 200; ++i) {
            osd.ShowWindow(SW_HIDE);
            PumpPending();
            const double start = NowMs();
            osd.LoadPngPicture(ids[i % (sizeof(ids) / sizeof(ids[0]))]);
            osd.RenderAndShow(OSD_TIMER_HIDE);
            fromHidden.push_back(NowMs() - start);
            PumpPending();
        }
        std::printf("one display of a hidden OSD, 200 samples: median %.3f ms, p99 %.3f ms\n",
                    Percentile(fromHidden, 0.5), Percentile(fromHidden, 0.99));
        osd.DestroyWindow();
    }
    return 0;
}
