// Long-stream soak: hours of 22050 Hz audio through CDownSampler and back up
// through CUpSampler, 20 ms at a time, as a host process would run them for
// days. Checks, frame by frame:
//  - every output stays within the filters' gain bound of its input level;
//  - after a loud passage, silence comes out as exact zeros within one filter
//    length (plus the upsampler's own filter length for the round trip);
//  - memory does not grow: no allocation while converting, VmRSS flat.
// Usage: velumor_soak [SECONDS_OF_AUDIO]   (default 36000, ten hours)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "velumor.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// Every allocation in this process is counted; the conversion loop must make
// none.
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr float kFrameSeconds = 0.02f;
constexpr double kInputRate = 22050.0;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kLoudPeak = 16000.0;  // below saturation after the filters' gain
constexpr double kRssCheckSeconds = 600.0;  // audio between two VmRSS readings
constexpr long kRssSlackKiB = 1024;  // page-level noise allowed over the whole run

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

// Loud passages (noise over a sweeping tone) of 1 to 5 s alternate with
// silences of 0.2 to 1.2 s; every length and level comes from a fixed seed,
// so a run is reproducible.
class Signal {
public:
    // Fills one frame; returns whether the frame is silent.
    bool Fill(std::vector<short>& frame) {
        if (framesLeft_ == 0) NextPassage();
        --framesLeft_;
        for (short& s : frame) {
            if (!loud_) {
                s = 0;
                continue;
            }
            phase_ += kTwoPi * frequency_ / kInputRate;
            frequency_ = frequency_ > 9000.0 ? 50.0 : frequency_ * 1.00002;
            const double noise = static_cast<double>(Next() % 2001) - 1000.0;
            s = static_cast<short>(level_ * (std::sin(phase_) * (kLoudPeak - 1000.0) + noise));
        }
        return !loud_;
    }

private:
    std::uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    void NextPassage() {
        loud_ = !loud_;
        framesLeft_ = loud_ ? 50 + Next() % 201 : 10 + Next() % 51;
        level_ = 0.25 + 0.75 * static_cast<double>(Next() % 1000) / 999.0;
    }

    std::uint32_t state_ = 20260101u;
    bool loud_ = false;
    unsigned framesLeft_ = 0;
    double level_ = 1.0;
    double phase_ = 0.0;
    double frequency_ = 50.0;
};

double AbsoluteSum(const float* values, int count, int first, int stride) {
    double sum = 0.0;
    for (int k = first; k < count; k += stride) sum += std::fabs(static_cast<double>(values[k]));
    return sum;
}

// |output| <= gain * max |input|, plus one for truncation.
double DownGain(const CDownSampler& down) {
    return AbsoluteSum(down.Coefficients, down.TapCount, 0, 1);
}
double UpGain(const CUpSampler& up) {
    double gain = 0.0;
    for (int phase = 0; phase < up.Factor; ++phase) {
        gain = std::max(gain, AbsoluteSum(up.Coefficients, up.TapCount, phase, up.Factor));
    }
    return gain * up.Factor;
}

struct Totals {
    long frames = 0;
    long silences = 0;
    long failures = 0;
    int downPeak = 0;
    int upPeak = 0;
    long longestDownTail = 0;  // nonzero outputs after a silence began, at most
    long longestUpTail = 0;
};

// Counts the outputs of one converter since its input fell silent and checks
// they reach exact zero within the allowed tail.
class DecayCheck {
public:
    DecayCheck(const char* name, long allowed) : name_(name), allowed_(allowed) {}

    void Frame(bool silentInput, const std::vector<short>& out, long& longestTail, Totals& t) {
        if (!silentInput) {
            since_ = -1;
            return;
        }
        if (since_ < 0) since_ = 0;
        for (short s : out) {
            if (s != 0) {
                longestTail = std::max(longestTail, since_ + 1);
                if (since_ >= allowed_ && t.failures++ < 10) {
                    std::printf("FAIL %s: output %ld after silence began is %d (allowed tail %ld)\n",
                                name_, since_, s, allowed_);
                }
            }
            ++since_;
        }
    }

private:
    const char* name_;
    long allowed_;
    long since_ = -1;  // outputs since the input fell silent; -1 while loud
};

void CheckBound(const char* name, const std::vector<short>& out, double bound, int& peak,
                Totals& t) {
    for (short s : out) {
        const int magnitude = std::abs(static_cast<int>(s));
        peak = std::max(peak, magnitude);
        if (magnitude > bound && t.failures++ < 10) {
            std::printf("FAIL %s: |output| %d above its bound %.0f\n", name, magnitude, bound);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 36000.0;
    if (!(seconds > 0.0)) {
        std::fprintf(stderr, "usage: %s [SECONDS_OF_AUDIO]  (default 36000)\n", argv[0]);
        return 2;
    }
    CDownSampler down(kFrameSeconds);
    CUpSampler up(kFrameSeconds);
    std::vector<short> input(static_cast<std::size_t>(down.InputLength));
    std::vector<short> low(static_cast<std::size_t>(down.OutputLength));
    std::vector<short> high(static_cast<std::size_t>(up.OutputLength));
    const double frameSeconds = down.InputLength / kInputRate;
    const long frames = std::lround(seconds / frameSeconds);
    const long rssEvery = std::lround(kRssCheckSeconds / frameSeconds);

    const double downBound = DownGain(down) * kLoudPeak + 1.0;
    const double upBound = UpGain(up) * downBound + 1.0;
    // The downsampler's window spans TapCount input samples. The upsampler's
    // spans Span inputs (one more where its positions round late), each
    // Factor / Step outputs long, counted from the end of the downsampler's tail.
    const long downTail =
        std::lround(std::ceil(static_cast<double>(down.TapCount) / double{down.Step})) + 1;
    const double upInputs = static_cast<double>(downTail + up.Span + 1);
    const long upTail = std::lround(std::ceil(upInputs * up.Factor / double{up.Step})) + 1;
    DecayCheck downDecay("downsampler", downTail);
    DecayCheck upDecay("round trip", upTail);

    Signal signal;
    Totals t;
    bool wasSilent = false;
    long rssStart = -1;
    long rssEnd = -1;
    long allocationsInLoop = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long f = 0; f < frames; ++f) {
        const bool silent = signal.Fill(input);
        if (silent && !wasSilent) ++t.silences;
        wasSilent = silent;

        const long before = allocations.load(std::memory_order_relaxed);
        down.Conversion(input.data(), low.data());
        up.Conversion(low.data(), high.data());
        allocationsInLoop += allocations.load(std::memory_order_relaxed) - before;

        CheckBound("downsampler", low, downBound, t.downPeak, t);
        CheckBound("round trip", high, upBound, t.upPeak, t);
        downDecay.Frame(silent, low, t.longestDownTail, t);
        upDecay.Frame(silent, high, t.longestUpTail, t);
        ++t.frames;
        // The first reading comes after a second of warm-up.
        if (f == 50 || (f > 50 && f % rssEvery == 0) || f == frames - 1) {
            rssEnd = ResidentKiB();
            if (rssStart < 0) rssStart = rssEnd;
        }
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const bool memoryGrew = allocationsInLoop != 0 || rssEnd - rssStart > kRssSlackKiB;
    if (memoryGrew) ++t.failures;
    if (t.silences == 0) {
        std::printf("FAIL no silence after a loud passage: the run is too short to check decay\n");
        ++t.failures;
    }
    const double audio = static_cast<double>(t.frames) * frameSeconds;
    std::printf("audio:        %.0f s (%.2f h) in %ld frames of %d -> %d -> %d samples\n",
                audio, audio / 3600.0, t.frames,
                down.InputLength, down.OutputLength, up.OutputLength);
    std::printf("time:         %.2f s, %.0fx real time\n", wall, audio / wall);
    std::printf("peaks:        downsampler %d (bound %.0f), round trip %d (bound %.0f)\n",
                t.downPeak, downBound, t.upPeak, upBound);
    std::printf("silences:     %ld; longest nonzero tail %ld outputs down (allowed %ld), "
                "%ld round trip (allowed %ld)\n",
                t.silences, t.longestDownTail, downTail, t.longestUpTail, upTail);
    std::printf("memory:       VmRSS %ld KiB -> %ld KiB, %ld allocations while converting\n",
                rssStart, rssEnd, allocationsInLoop);
    std::printf("result:       %s (%ld failures)\n", t.failures == 0 ? "PASS" : "FAIL", t.failures);
    return t.failures == 0 ? 0 : 1;
}
