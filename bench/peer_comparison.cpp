// Runs the same two jobs through Velumor (the path it picks, and every code
// path on its own) and through each open resampler found at build time:
// 60 s of a speech-band test signal, 22050 -> 8000 Hz and 8000 -> 22050 Hz,
// 20 ms frames. Each entry is timed in CPU seconds over whole passes, after
// one warm-up pass, and the median pass is reported; the passes take the
// entries in turn.
//
// Usage: velumor_peer_comparison [passes]   (default 7)
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "converters/engine_of.h"
#include "velumor.h"

#ifdef VELUMOR_HAVE_SPEEXDSP
#include <speex/speex_resampler.h>
#endif
#ifdef VELUMOR_HAVE_SAMPLERATE
#include <samplerate.h>
#endif
#ifdef VELUMOR_HAVE_SOXR
#include <soxr.h>
#endif

namespace {

using velumor::KernelPath;

constexpr double kSeconds = 60.0;

struct Job {
    const char* title;
    double inputRate;
    double outputRate;
    std::vector<short> signal;
    std::size_t frame;  // input samples per 20 ms frame
};

// Converts the whole signal frame by frame; returns nothing, only takes time.
using Pass = std::function<void(const Job&)>;
// Builds a fresh converter and returns the pass that uses it.
using Entry = std::function<Pass()>;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename Converter>
Entry VelumorEntry(bool force, KernelPath path) {
    return [=]() -> Pass {
        using Engine = typename velumor::EngineOf<Converter>::Type;
        std::shared_ptr<Converter> c = std::make_shared<Converter>(0.02f);
        std::shared_ptr<Engine> engine;
        if (force) engine = Engine::OnPath(*c, path);
        return [c, engine](const Job& job) {
            std::vector<short> out(static_cast<std::size_t>(c->OutputLength));
            for (std::size_t at = 0; at + job.frame <= job.signal.size(); at += job.frame) {
                if (engine) {
                    engine->Convert(*c, job.signal.data() + at, out.data());
                } else {
                    c->Conversion(job.signal.data() + at, out.data());
                }
            }
        };
    };
}

#ifdef VELUMOR_HAVE_SPEEXDSP
Entry SpeexEntry(int quality) {
    return [=]() -> Pass {
        return [quality](const Job& job) {
            int error = 0;
            SpeexResamplerState* s = speex_resampler_init(
                1, static_cast<spx_uint32_t>(job.inputRate), static_cast<spx_uint32_t>(job.outputRate),
                quality, &error);
            std::vector<short> out(job.frame * 4);
            for (std::size_t at = 0; at + job.frame <= job.signal.size(); at += job.frame) {
                spx_uint32_t in = static_cast<spx_uint32_t>(job.frame);
                spx_uint32_t produced = static_cast<spx_uint32_t>(out.size());
                speex_resampler_process_int(s, 0, job.signal.data() + at, &in, out.data(), &produced);
            }
            speex_resampler_destroy(s);
        };
    };
}
#endif

#ifdef VELUMOR_HAVE_SAMPLERATE
Entry SamplerateEntry(int converterType) {
    return [=]() -> Pass {
        return [converterType](const Job& job) {
            int error = 0;
            SRC_STATE* s = src_new(converterType, 1, &error);
            std::vector<float> in(job.frame);
            std::vector<float> out(job.frame * 4);
            std::vector<short> outShort(out.size());
            for (std::size_t at = 0; at + job.frame <= job.signal.size(); at += job.frame) {
                src_short_to_float_array(job.signal.data() + at, in.data(), static_cast<int>(job.frame));
                SRC_DATA data{};
                data.data_in = in.data();
                data.input_frames = static_cast<long>(job.frame);
                data.data_out = out.data();
                data.output_frames = static_cast<long>(out.size());
                data.src_ratio = job.outputRate / job.inputRate;
                src_process(s, &data);
                src_float_to_short_array(out.data(), outShort.data(),
                                         static_cast<int>(data.output_frames_gen));
            }
            src_delete(s);
        };
    };
}
#endif

#ifdef VELUMOR_HAVE_SOXR
Entry SoxrEntry(unsigned long recipe) {
    return [=]() -> Pass {
        return [recipe](const Job& job) {
            soxr_error_t error = nullptr;
            const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
            const soxr_quality_spec_t quality = soxr_quality_spec(recipe, 0);
            const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
            soxr_t s = soxr_create(job.inputRate, job.outputRate, 1, &error, &io, &quality, &runtime);
            std::vector<short> out(job.frame * 4);
            for (std::size_t at = 0; at + job.frame <= job.signal.size(); at += job.frame) {
                std::size_t used = 0;
                std::size_t produced = 0;
                soxr_process(s, job.signal.data() + at, job.frame, &used, out.data(), out.size(),
                             &produced);
            }
            soxr_delete(s);
        };
    };
}
#endif

struct Named {
    std::string name;
    Entry entry;
};

std::vector<Named> Entries(bool down) {
    std::vector<Named> list;
    const std::string picked =
        std::string("velumor (picks ") + velumor::KernelPathName(velumor::BestKernelPath()) + ")";
    if (down) {
        list.push_back({picked, VelumorEntry<CDownSampler>(false, KernelPath::kScalar)});
    } else {
        list.push_back({picked, VelumorEntry<CUpSampler>(false, KernelPath::kScalar)});
    }
    for (const KernelPath path : velumor::kKernelPaths) {
        if (!velumor::KernelPathAvailable(path)) continue;
        const std::string name = std::string("velumor ") + velumor::KernelPathName(path) + " path";
        list.push_back({name, down ? VelumorEntry<CDownSampler>(true, path)
                                   : VelumorEntry<CUpSampler>(true, path)});
    }
#ifdef VELUMOR_HAVE_SPEEXDSP
    for (const int q : {0, 3, 4, 10}) list.push_back({"speexdsp q" + std::to_string(q), SpeexEntry(q)});
#endif
#ifdef VELUMOR_HAVE_SAMPLERATE
    list.push_back({"libsamplerate linear", SamplerateEntry(SRC_LINEAR)});
    list.push_back({"libsamplerate sinc fastest", SamplerateEntry(SRC_SINC_FASTEST)});
    list.push_back({"libsamplerate sinc medium", SamplerateEntry(SRC_SINC_MEDIUM_QUALITY)});
#endif
#ifdef VELUMOR_HAVE_SOXR
    list.push_back({"soxr quick", SoxrEntry(SOXR_QQ)});
    list.push_back({"soxr low", SoxrEntry(SOXR_LQ)});
    list.push_back({"soxr medium", SoxrEntry(SOXR_MQ)});
    list.push_back({"soxr high", SoxrEntry(SOXR_HQ)});
#endif
    return list;
}

void RunJob(const Job& job, bool down, int passes) {
    const std::vector<Named> entries = Entries(down);
    // Each pass goes round all the entries, so that a slow spell of a shared
    // machine falls on every entry alike rather than on whichever ran then.
    std::vector<std::vector<double>> seconds(entries.size());
    for (int p = 0; p <= passes; ++p) {
        for (std::size_t e = 0; e < entries.size(); ++e) {
            Pass pass = entries[e].entry();
            const double start = CpuSeconds();
            pass(job);
            const double elapsed = CpuSeconds() - start;
            if (p > 0) seconds[e].push_back(elapsed);  // pass 0 warms up
        }
    }
    std::printf("\n%s: %.0f s of audio, 20 ms frames, median of %d passes\n", job.title, kSeconds,
                passes);
    std::printf("| %-28s | %12s | %12s | %14s |\n", "converter", "Msamples/s", "x real time",
                "speed / Velumor");
    std::printf("|%s|%s|%s|%s|\n", std::string(30, '-').c_str(), std::string(14, '-').c_str(),
                std::string(14, '-').c_str(), std::string(16, '-').c_str());
    const double velumorSeconds = Median(seconds[0]);
    for (std::size_t e = 0; e < entries.size(); ++e) {
        const double median = Median(seconds[e]);
        const double inputSamples = static_cast<double>(job.signal.size());
        std::printf("| %-28s | %12.1f | %12.0f | %15.2f |\n", entries[e].name.c_str(),
                    inputSamples / median / 1e6, kSeconds / median, velumorSeconds / median);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
#if !defined(VELUMOR_HAVE_SPEEXDSP) || !defined(VELUMOR_HAVE_SAMPLERATE) || !defined(VELUMOR_HAVE_SOXR)
    std::printf("Some peers were not found at build time and are left out (see the configure log).\n");
#endif
    Job down{"Downsampling 22050 -> 8000 Hz", 22050.0, 8000.0,
             bench::SpeechBandSignal(kSeconds, 22050.0), 441};
    Job up{"Upsampling 8000 -> 22050 Hz", 8000.0, 22050.0, bench::SpeechBandSignal(kSeconds, 8000.0),
           160};
    RunJob(down, true, passes);
    RunJob(up, false, passes);
    return 0;
}
