#include "analysis.h"

#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <stdexcept>

namespace measure {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Solves the 3x3 system a x = b by Gaussian elimination with pivoting.
std::array<double, 3> Solve3(std::array<std::array<double, 3>, 3> a, std::array<double, 3> b) {
    for (int col = 0; col < 3; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 3; ++row) {
            if (std::abs(a[row][col]) > std::abs(a[pivot][col])) pivot = row;
        }
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        if (std::abs(a[col][col]) < 1e-12) throw std::runtime_error("tone fit is singular");
        for (int row = col + 1; row < 3; ++row) {
            const double factor = a[row][col] / a[col][col];
            for (int k = col; k < 3; ++k) a[row][k] -= factor * a[col][k];
            b[row] -= factor * b[col];
        }
    }
    std::array<double, 3> x{};
    for (int row = 2; row >= 0; --row) {
        double sum = b[row];
        for (int k = row + 1; k < 3; ++k) sum -= a[row][k] * x[k];
        x[row] = sum / a[row][row];
    }
    return x;
}

}  // namespace

double Fold(double frequency, double rate) {
    const double wrapped = std::fmod(std::abs(frequency), rate);
    return wrapped > rate / 2 ? rate - wrapped : wrapped;
}

ToneFit FitTone(const std::vector<short>& y, double rate, double frequency, std::size_t begin,
                std::size_t end, const std::function<bool(std::size_t)>& use) {
    if (end > y.size() || begin >= end) throw std::runtime_error("tone fit block out of range");
    std::array<std::array<double, 3>, 3> normal{};
    std::array<double, 3> right{};
    const double omega = 2 * kPi * frequency / rate;
    for (std::size_t n = begin; n < end; ++n) {
        if (use && !use(n)) continue;
        const double angle = omega * static_cast<double>(n);
        const std::array<double, 3> basis{std::cos(angle), -std::sin(angle), 1.0};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) normal[i][j] += basis[i] * basis[j];
            right[i] += basis[i] * y[n];
        }
    }
    const std::array<double, 3> x = Solve3(normal, right);
    // a cos(w n) - b sin(w n) = A cos(w n + phase)
    return {std::hypot(x[0], x[1]), std::atan2(x[1], x[0]), x[2]};
}

double BinAmplitude(const std::vector<double>& y, double rate, double frequency, std::size_t begin,
                    std::size_t end) {
    if (end > y.size() || begin >= end) throw std::runtime_error("bin block out of range");
    const std::complex<double> rotation = std::polar(1.0, -2 * kPi * frequency / rate);
    std::complex<double> phasor = std::polar(1.0, -2 * kPi * frequency / rate * static_cast<double>(begin));
    std::complex<double> sum = 0;
    for (std::size_t n = begin; n < end; ++n) {
        sum += y[n] * phasor;
        phasor *= rotation;
    }
    const double count = static_cast<double>(end - begin);
    const bool real = frequency == 0 || std::abs(frequency - rate / 2) < 1e-9;
    return std::abs(sum) / count * (real ? 1.0 : 2.0);
}

double TableMagnitude(const std::vector<double>& coefficients, double rate, double frequency) {
    std::complex<double> sum = 0;
    for (std::size_t k = 0; k < coefficients.size(); ++k) {
        sum += coefficients[k] * std::polar(1.0, -2 * kPi * frequency / rate * static_cast<double>(k));
    }
    return std::abs(sum);
}

double Decibels(double ratio) {
    return ratio > 0 ? 20 * std::log10(ratio) : -std::numeric_limits<double>::infinity();
}

}  // namespace measure
