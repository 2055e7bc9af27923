// Spectrum computation per block, next to a plain FFTW spectrum of the same
// input in the same run. Prints figures; never fails.
//   mxbench_spectrum [--short]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <kiss_fft.h>
#ifdef MX_BENCH_WITH_FFTW
#include <fftw3.h>
#endif

#include "marlixmfc/spectrum/MxFft.h"
#include "marlixmfc/spectrum/MxSpectrumEngine.h"
#include "sim/synth/MxSignalSynth.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
volatile double g_sink = 0.0; // keeps results alive

// Best time per call over a few batches, in microseconds: the least disturbed
// batch is the fairest figure on a shared machine.
double MicrosPerCall(const std::function<void()>& fn, double seconds) {
    using clock = std::chrono::steady_clock;
    fn(); // warm up (plans, caches)
    int batch = 1;
    for (;;) {
        const auto t0 = clock::now();
        for (int k = 0; k < batch; ++k)
            fn();
        const double dt = std::chrono::duration<double>(clock::now() - t0).count();
        if (dt > seconds / 20 || batch > (1 << 20))
            break;
        batch *= 2;
    }
    double best = 1e300;
    const auto start = clock::now();
    int rounds = 0;
    do {
        const auto t0 = clock::now();
        for (int k = 0; k < batch; ++k)
            fn();
        best = std::min(best, std::chrono::duration<double, std::micro>(clock::now() - t0).count() / batch);
        ++rounds;
    } while (rounds < 3 || std::chrono::duration<double>(clock::now() - start).count() < seconds);
    return best;
}

struct Input {
    std::vector<std::int16_t> i, q;
};

Input MakeInput(int n) {
    // A hybrid FM signal as the simulated instrument plays it.
    const MxSignalSynth s = MxSignalSynth::ForFile("IB_FMr208c_e1wfc548.bin", -20.0, false);
    Input in{std::vector<std::int16_t>(n), std::vector<std::int16_t>(n)};
    s.Generate(0, n, in.i.data(), in.q.data());
    return in;
}

std::vector<float> Hann(int n) {
    std::vector<float> w(n);
    for (int k = 0; k < n; ++k)
        w[k] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * kPi * k / n));
    return w;
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--short") == 0;
    const double seconds = quick ? 0.15 : 1.0;

    std::printf("Spectrum per block (best of batches, %s run)\n", quick ? "short" : "full");
    std::printf("%7s  %12s  %13s  %12s  %12s  %12s  %12s  %7s\n", "points", "engine us", "engine+avg us",
                "own fft us", "kiss fft us", "fftw fft us", "fftw spec us", "ratio");

    for (int n : {8192, 30720}) {
        const Input in = MakeInput(n);
        std::vector<double> out(n);
        const std::vector<float> window = Hann(n);

        MxSpectrumEngine engine;
        engine.SetSampleClock(kMxFmSampleClock);
        const double tEngine = MicrosPerCall(
            [&] {
                engine.ComputeSpectrum(in.i.data(), in.q.data(), n, out.data());
                g_sink = out[n / 2];
            },
            seconds);

        MxSpectrumEngine averaging;
        averaging.SetSampleClock(kMxFmSampleClock);
        averaging.SetAverageType(1, 10);
        const double tAverage = MicrosPerCall(
            [&] {
                averaging.ComputeSpectrum(in.i.data(), in.q.data(), n, out.data());
                g_sink = out[n / 2];
            },
            seconds);

        // The FFT the engine uses, alone.
        MxFft own;
        own.Plan(n);
        std::vector<float> ore(n), oim(n);
        const double tOwn = MicrosPerCall(
            [&] {
                for (int k = 0; k < n; ++k) {
                    ore[k] = window[k] * in.i[k];
                    oim[k] = window[k] * in.q[k];
                }
                own.Forward(ore.data(), oim.data());
                g_sink = ore[1];
            },
            seconds);

        // KissFFT, which it replaces for these sizes.
        kiss_fft_cfg kiss = kiss_fft_alloc(n, 0, nullptr, nullptr);
        std::vector<kiss_fft_cpx> kin(n), kout(n);
        for (int k = 0; k < n; ++k)
            kin[k] = {window[k] * in.i[k], window[k] * in.q[k]};
        const double tKiss = MicrosPerCall(
            [&] {
                kiss_fft(kiss, kin.data(), kout.data());
                g_sink = kout[1].r;
            },
            seconds);
        kiss_fft_free(kiss);

        double tFftw = NAN, tFftwSpec = NAN;
#ifdef MX_BENCH_WITH_FFTW
        fftwf_complex* fin = fftwf_alloc_complex(n);
        fftwf_complex* fout = fftwf_alloc_complex(n);
        fftwf_plan plan = fftwf_plan_dft_1d(n, fin, fout, FFTW_FORWARD, FFTW_MEASURE);
        for (int k = 0; k < n; ++k) {
            fin[k][0] = window[k] * in.i[k];
            fin[k][1] = window[k] * in.q[k];
        }
        tFftw = MicrosPerCall(
            [&] {
                fftwf_execute(plan);
                g_sink = fout[1][0];
            },
            seconds);
        // A plain spectrum: window, FFT, power in dB, centre shift; no RBW
        // filter or averaging, so the ratio shows what those cost on top.
        tFftwSpec = MicrosPerCall(
            [&] {
                const float scale = 1.0f / 32767.0f;
                for (int k = 0; k < n; ++k) {
                    fin[k][0] = window[k] * (in.i[k] * scale);
                    fin[k][1] = window[k] * (in.q[k] * scale);
                }
                fftwf_execute(plan);
                for (int b = 0; b < n; ++b) {
                    const fftwf_complex& x = fout[(b + n / 2) % n];
                    out[b] = 10.0 * std::log10(std::max(1e-30, double(x[0]) * x[0] + double(x[1]) * x[1]));
                }
                g_sink = out[n / 2];
            },
            seconds);
        fftwf_destroy_plan(plan);
        fftwf_free(fin);
        fftwf_free(fout);
#endif
        std::printf("%7d  %12.1f  %13.1f  %12.1f  %12.1f  %12.1f  %12.1f  %7.2f\n", n, tEngine, tAverage,
                    tOwn, tKiss, tFftw, tFftwSpec, tEngine / tFftwSpec);
    }
#ifdef MX_BENCH_WITH_FFTW
    std::printf("ratio = engine / fftw spec (same input, same run)\n");
#else
    std::printf("built without FFTW (libfftw3-dev): no comparison\n");
#endif

    // What the simulated instrument spends making a block of the largest size.
    std::printf("\nTest signal per block of 30720 samples\n");
    for (const char* name : {"IB_FMr208c_e1wfc548.bin", "IB_FMr001_e1_cw_0_m200.bin", "IB_FM_e1_awgn.bin",
                             "IB_AMr208_e1awfa05.bin"}) {
        const MxSignalSynth synth = MxSignalSynth::ForFile(name, -20.0, false);
        std::vector<std::int16_t> i(30720), q(30720);
        std::uint64_t position = 0;
        const double t = MicrosPerCall(
            [&] {
                synth.Generate(position, 30720, i.data(), q.data());
                position += 30720;
                g_sink = i[0];
            },
            seconds);
        std::printf("%-28s %9.1f us\n", name, t);
    }
    return 0;
}
