// Windowed-sinc design: an ideal low-pass cut midway between the passband
// and stopband edges, shaped by a Kaiser window whose beta gives the target
// stopband attenuation, then measured on its actual (single-precision)
// coefficients, since those are what the converter uses.
#include "stream/filter_design.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "stream/errors.h"

namespace velumor::stream {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxTaps = 100001;
// Beyond this, the table (L * G + 1 taps) grows large for little gain.
constexpr int kMaxOnGridFactor = 32;
constexpr int kResponsePoints = 2048;  // fewest points per band

// Modified Bessel function of the first kind, order 0, by its power series.
double BesselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 200 && term > 1e-17 * sum; ++k) {
        const double half = x / (2.0 * k);
        term *= half * half;
        sum += term;
    }
    return sum;
}

double KaiserBeta(double attenuationDb) {
    if (attenuationDb > 50.0) return 0.1102 * (attenuationDb - 8.7);
    if (attenuationDb >= 21.0) {
        return 0.5842 * std::pow(attenuationDb - 21.0, 0.4) + 0.07886 * (attenuationDb - 21.0);
    }
    return 0.0;
}

// Taps of the windowed sinc, centred on tap (n - 1) / 2; the window spans
// `span` taps either side of the centre (taps farther out are 0).
std::vector<double> WindowedSinc(int n, int span, double cutoff, double beta) {
    const int centre = (n - 1) / 2;
    std::vector<double> h(static_cast<std::size_t>(n), 0.0);
    const double norm = BesselI0(beta);
    for (int i = 0; i < n; ++i) {
        const int k = i - centre;
        if (std::abs(k) > span) continue;
        const double x = static_cast<double>(k) / span;
        const double window = BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - x * x))) / norm;
        const double arg = 2.0 * cutoff * k;
        const double sinc = k == 0 ? 1.0 : std::sin(kPi * arg) / (kPi * arg);
        h[static_cast<std::size_t>(i)] = 2.0 * cutoff * sinc * window;
    }
    return h;
}

// Scales taps i, i + stride, i + 2 stride ... to sum to `target`, for each
// of the `stride` classes: every polyphase branch then has the same DC gain.
void NormaliseClasses(std::vector<double>& h, int stride, double target) {
    for (int r = 0; r < stride; ++r) {
        double sum = 0.0;
        for (std::size_t i = static_cast<std::size_t>(r); i < h.size(); i += static_cast<std::size_t>(stride)) {
            sum += h[i];
        }
        if (sum == 0.0) continue;
        for (std::size_t i = static_cast<std::size_t>(r); i < h.size(); i += static_cast<std::size_t>(stride)) {
            h[i] *= target / sum;
        }
    }
}

struct Geometry {
    bool up;
    int factor;
    double filterRate;
    double passbandHz;
    double stopbandHz;
    int step;     // tap counts go in steps of this
    int minimum;  // fewest taps
};

Geometry GeometryFor(int fromRate, int toRate, int factor) {
    const double low = std::min(fromRate, toRate);
    Geometry g{};
    g.up = toRate > fromRate;
    g.factor = g.up ? factor : 1;
    g.filterRate = static_cast<double>(fromRate) * g.factor;
    g.passbandHz = kPassbandFraction * low;
    g.stopbandHz = kStopbandFraction * low;
    // Downsampler: odd counts keep the filter centred on the position it
    // evaluates. Upsampler: L * G + 1 taps with G even, so that its delay,
    // G / 2 input samples, is whole.
    g.step = g.up ? 2 * g.factor : 2;
    g.minimum = g.up ? 2 * g.factor + 1 : 3;
    return g;
}

void CheckTaps(const Geometry& g, int taps) {
    const std::string option = "taps " + std::to_string(taps);
    if (taps < g.minimum) {
        throw StreamError(VELUMOR_ERROR_DESIGN, option + ": too few taps (at least " + std::to_string(g.minimum) + ")");
    }
    if (!g.up && taps % 2 == 0) {
        throw StreamError(VELUMOR_ERROR_DESIGN, option + ": the downsampler's filter needs an odd tap count");
    }
    if (g.up && (taps - 1) % g.step != 0) {
        const int below = (taps - 1) / g.step * g.step + 1;
        throw StreamError(VELUMOR_ERROR_DESIGN, option + ": the upsampler's filter needs L*G+1 taps with G even (factor " +
                         std::to_string(g.factor) + ": e.g. " + std::to_string(std::max(below, g.minimum)) +
                         " or " + std::to_string(below + g.step) + ")");
    }
}

DesignedFilter DesignWithTaps(int fromRate, int toRate, const Geometry& g, int taps) {
    DesignedFilter f{};
    f.up = g.up;
    f.fromRate = fromRate;
    f.toRate = toRate;
    f.factor = g.factor;
    f.filterRate = g.filterRate;
    f.cutoffHz = 0.5 * (g.passbandHz + g.stopbandHz);
    f.beta = KaiserBeta(kTargetAttenuationDb);
    const double cutoff = f.cutoffHz / g.filterRate;
    const int centre = (taps - 1) / 2;
    std::vector<double> h;
    if (g.up) {
        // The converter forms each grid value from G taps of one class, so
        // of the two end taps it reads only one at a time: they are left 0.
        h = WindowedSinc(taps, centre - 1, cutoff, f.beta);
        // The converter multiplies its input by L: each branch sums to 1 / L.
        NormaliseClasses(h, g.factor, 1.0 / g.factor);
    } else {
        h = WindowedSinc(taps, centre, cutoff, f.beta);
        NormaliseClasses(h, 1, 1.0);
    }
    f.coefficients.assign(h.begin(), h.end());
    std::transform(h.begin(), h.end(), f.coefficients.begin(),
                   [](double v) { return static_cast<float>(v); });
    f.response = MeasureResponse(f.coefficients, g.filterRate, g.passbandHz, g.stopbandHz);
    return f;
}

int EstimateTaps(const Geometry& g) {
    const double width = (g.stopbandHz - g.passbandHz) / g.filterRate;
    const int estimate = static_cast<int>(std::ceil((kTargetAttenuationDb - 7.95) / (14.36 * width))) + 1;
    const int steps = std::max(0, (estimate - g.minimum + g.step - 1) / g.step);
    return g.minimum + steps * g.step;
}

}  // namespace

int DefaultFactor(int fromRate, int toRate) {
    // With L = toRate / gcd, Step = InputLength * L / OutputLength is whole:
    // every output falls on the grid and needs no interpolation.
    const int onGrid = toRate / std::gcd(fromRate, toRate);
    return onGrid <= kMaxOnGridFactor ? onGrid : 16;
}

DesignedFilter DesignFilter(int fromRate, int toRate, std::optional<int> taps,
                            std::optional<int> factor) {
    const Geometry g = GeometryFor(fromRate, toRate, factor.value_or(DefaultFactor(fromRate, toRate)));
    if (taps) {
        CheckTaps(g, *taps);
        return DesignWithTaps(fromRate, toRate, g, *taps);
    }
    // Start from the textbook estimate, then let the measurement decide.
    int n = std::min(EstimateTaps(g), kMaxTaps);
    DesignedFilter best = DesignWithTaps(fromRate, toRate, g, n);
    while (best.response.attenuationDb < kTargetAttenuationDb && n + g.step <= kMaxTaps) {
        n += g.step;
        best = DesignWithTaps(fromRate, toRate, g, n);
    }
    while (n - g.step >= g.minimum) {
        DesignedFilter smaller = DesignWithTaps(fromRate, toRate, g, n - g.step);
        if (smaller.response.attenuationDb < kTargetAttenuationDb) break;
        best = std::move(smaller);
        n -= g.step;
    }
    return best;
}

FilterResponse MeasureResponse(const std::vector<float>& coefficients, double rateHz,
                               double passbandEdgeHz, double stopbandEdgeHz) {
    const int centre = static_cast<int>(coefficients.size() - 1) / 2;
    // Amplitude of a symmetric filter: h[c] + 2 sum h[c + k] cos(k w), with
    // cos(k w) by the Chebyshev recurrence.
    const auto amplitude = [&](double hz) {
        const double w = 2.0 * kPi * hz / rateHz;
        const double c1 = std::cos(w);
        double previous = 1.0;
        double current = c1;
        double sum = coefficients[static_cast<std::size_t>(centre)];
        for (int k = 1; k <= centre; ++k) {
            sum += 2.0 * static_cast<double>(coefficients[static_cast<std::size_t>(centre + k)]) * current;
            const double next = 2.0 * c1 * current - previous;
            previous = current;
            current = next;
        }
        return std::abs(sum);
    };
    FilterResponse r{passbandEdgeHz, stopbandEdgeHz, 0.0, 0.0};
    double worstPass = 0.0;
    double worstStop = 0.0;
    const double nyquist = rateHz / 2.0;
    // At least 16 points per lobe of the response (lobes are about rate / N wide).
    const auto points = [&](double bandHz) {
        const double lobes = bandHz * static_cast<double>(coefficients.size()) / rateHz;
        return std::max(kResponsePoints, static_cast<int>(16.0 * lobes));
    };
    const int passPoints = points(passbandEdgeHz);
    for (int i = 0; i <= passPoints; ++i) {
        const double hz = passbandEdgeHz * i / passPoints;
        worstPass = std::max(worstPass, std::abs(20.0 * std::log10(amplitude(hz))));
    }
    const int stopPoints = points(nyquist - stopbandEdgeHz);
    for (int i = 0; i <= stopPoints; ++i) {
        const double hz = stopbandEdgeHz + (nyquist - stopbandEdgeHz) * i / stopPoints;
        worstStop = std::max(worstStop, amplitude(hz));
    }
    r.rippleDb = worstPass;
    r.attenuationDb = worstStop > 0.0 ? -20.0 * std::log10(worstStop) : 300.0;
    return r;
}

}  // namespace velumor::stream
