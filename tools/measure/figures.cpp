#include "figures.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "analysis.h"

namespace measure {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool Unfolded(const ToneResponse& tone, RatePair rates) {
    return tone.inputHz < rates.output / 2 && tone.inputHz < rates.input / 2;
}

double WrappedDifference(double later, double earlier) {
    double difference = later - earlier;
    while (difference > kPi) difference -= 2 * kPi;
    while (difference <= -kPi) difference += 2 * kPi;
    return difference;
}

double GroupDelayMs(const ToneResponse& lower, const ToneResponse& upper) {
    return -WrappedDifference(upper.phase, lower.phase) /
           (2 * kPi * (upper.inputHz - lower.inputHz)) * 1000;
}

}  // namespace

Bands TelephoneBands(RatePair rates) {
    const double lower = std::min(rates.input, rates.output);
    return {0.425 * lower, 0.5 * lower};
}

Figures ComputeFigures(const std::vector<ToneResponse>& tones, const Distortion& distortion,
                       RatePair rates, Bands bands) {
    Figures figures;
    figures.rippleMinDb = kInfinity;
    figures.rippleMaxDb = -kInfinity;
    double worstStop = -kInfinity;
    double worstAlias = -kInfinity;
    for (const ToneResponse& tone : tones) {
        const bool folded = !Unfolded(tone, rates);
        if (!folded && tone.inputHz <= bands.passbandHz) {
            figures.rippleMinDb = std::min(figures.rippleMinDb, tone.main.levelDb);
            figures.rippleMaxDb = std::max(figures.rippleMaxDb, tone.main.levelDb);
        }
        if (tone.inputHz >= bands.stopbandHz) worstStop = std::max(worstStop, tone.main.levelDb);
        if (folded && tone.main.outputHz <= bands.passbandHz) {
            worstAlias = std::max(worstAlias, tone.main.levelDb);
        }
        for (const Component& image : tone.images) {
            if (image.outputHz >= bands.stopbandHz) worstStop = std::max(worstStop, image.levelDb);
            if (image.outputHz <= bands.passbandHz) worstAlias = std::max(worstAlias, image.levelDb);
        }
    }
    figures.stopAttenuationDb = -worstStop;
    figures.aliasRejectionDb = -worstAlias;
    figures.thdnDb = distortion.thdnDb;
    figures.groupDelayMs = GroupDelayMsAt(tones, rates, 1000);
    double heldBack = 0;
    for (const ToneResponse& tone : tones) heldBack = std::max(heldBack, tone.heldBack);
    figures.heldBackMs = heldBack / rates.output * 1000;
    figures.delayMs = figures.groupDelayMs + figures.heldBackMs;
    figures.delayInputSamples = figures.delayMs / 1000 * rates.input;
    figures.artefactDb = distortion.artefactDb;
    return figures;
}

std::vector<std::pair<double, double>> GroupDelays(const std::vector<ToneResponse>& tones,
                                                   RatePair rates) {
    std::vector<std::pair<double, double>> delays;
    for (std::size_t i = 0; i + 1 < tones.size(); ++i) {
        if (!Unfolded(tones[i], rates) || !Unfolded(tones[i + 1], rates)) continue;
        delays.emplace_back((tones[i].inputHz + tones[i + 1].inputHz) / 2,
                            GroupDelayMs(tones[i], tones[i + 1]));
    }
    return delays;
}

double GroupDelayMsAt(const std::vector<ToneResponse>& tones, RatePair rates, double frequency) {
    const ToneResponse* below = nullptr;
    const ToneResponse* above = nullptr;
    for (const ToneResponse& tone : tones) {
        if (!Unfolded(tone, rates)) continue;
        if (tone.inputHz < frequency && (!below || tone.inputHz > below->inputHz)) below = &tone;
        if (tone.inputHz > frequency && (!above || tone.inputHz < above->inputHz)) above = &tone;
    }
    if (!below || !above) throw std::runtime_error("no tones around the delay frequency");
    return GroupDelayMs(*below, *above);
}

TableFigures ComputeTableFigures(const FilterTable& table, Bands bands, double stepHz) {
    TableFigures figures;
    figures.dcDb = Decibels(TableMagnitude(table.coefficients, table.rate, 0));
    figures.rippleMinDb = kInfinity;
    figures.rippleMaxDb = -kInfinity;
    figures.stopDb = -kInfinity;
    figures.farStopDb = -kInfinity;
    for (double f = 0; f <= table.rate / 2; f += stepHz) {
        const double level = Decibels(TableMagnitude(table.coefficients, table.rate, f));
        if (f <= bands.passbandHz) {
            figures.rippleMinDb = std::min(figures.rippleMinDb, level);
            figures.rippleMaxDb = std::max(figures.rippleMaxDb, level);
        }
        if (f >= bands.stopbandHz) figures.stopDb = std::max(figures.stopDb, level);
        if (f >= 1.25 * bands.stopbandHz) figures.farStopDb = std::max(figures.farStopDb, level);
    }
    return figures;
}

}  // namespace measure
