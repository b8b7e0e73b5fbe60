#ifndef VELUMOR_MEASURE_ANALYSIS_H
#define VELUMOR_MEASURE_ANALYSIS_H

#include <cstddef>
#include <functional>
#include <vector>

namespace measure {

// The frequency at which a tone of `frequency` appears when sampled at `rate`.
double Fold(double frequency, double rate);

// y[n] ~ offset + amplitude * cos(2 pi frequency n / rate + phase).
struct ToneFit {
    double amplitude = 0;
    double phase = 0;
    double offset = 0;
};

// Least-squares fit of one tone and a constant to y[begin, end), using only
// the samples that `use` accepts (all when it is empty).
ToneFit FitTone(const std::vector<short>& y, double rate, double frequency, std::size_t begin,
                std::size_t end, const std::function<bool(std::size_t)>& use = {});

// Amplitude of the component at `frequency` in y[begin, end), by its DFT
// bin. Exact when the block holds whole cycles of every component.
double BinAmplitude(const std::vector<double>& y, double rate, double frequency, std::size_t begin,
                    std::size_t end);

// Magnitude of a filter table's transfer function at `frequency`.
double TableMagnitude(const std::vector<double>& coefficients, double rate, double frequency);

double Decibels(double ratio);

}  // namespace measure

#endif
