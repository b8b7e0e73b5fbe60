#include "measurements.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "analysis.h"

namespace measure {
namespace {

struct Block {
    std::size_t begin;
    std::size_t end;
};

Block AnalysedBlock(RatePair rates, const Layout& layout) {
    const std::size_t frame = ChunkSamples(layout.frameSeconds, rates.output);
    return {frame * static_cast<std::size_t>(layout.settleFrames),
            frame * static_cast<std::size_t>(layout.settleFrames + layout.blockFrames)};
}

std::size_t InputLength(RatePair rates, const Layout& layout) {
    return ChunkSamples(layout.frameSeconds, rates.input) *
           static_cast<std::size_t>(layout.TotalFrames());
}

void RequireLength(const std::vector<short>& output, Block block) {
    if (output.size() < block.end) throw std::runtime_error("converter returned too little output");
}

bool Near(double a, double b) { return std::abs(a - b) < 1e-6; }

}  // namespace

ToneResponse MeasureTone(const ConverterKind& kind, RatePair rates, double frequency,
                         const Layout& layout, int maxImageOrder) {
    const std::vector<short> input =
        Tone(rates.input, frequency, kTestAmplitude, InputLength(rates, layout));
    const std::vector<short> output = RunStream(kind, input, layout.frameSeconds);
    const Block block = AnalysedBlock(rates, layout);
    RequireLength(output, block);

    ToneResponse response;
    response.inputHz = frequency;
    response.main.outputHz = Fold(frequency, rates.output);
    const ToneFit fit = FitTone(output, rates.output, response.main.outputHz, block.begin, block.end);
    response.main.levelDb = Decibels(fit.amplitude / kTestAmplitude);
    response.phase = fit.phase;

    const double expected = static_cast<double>(input.size()) * rates.output / rates.input;
    response.heldBack = std::max(0.0, expected - static_cast<double>(output.size()));
    const std::vector<double> values(output.begin(), output.end());
    std::vector<double> seen{response.main.outputHz};
    for (int k = 1; k <= maxImageOrder; ++k) {
        for (int sign : {-1, 1}) {
            const double at = Fold(k * rates.input + sign * frequency, rates.output);
            bool repeated = false;
            for (double other : seen) repeated = repeated || Near(other, at);
            if (repeated) continue;
            seen.push_back(at);
            const double amplitude = BinAmplitude(values, rates.output, at, block.begin, block.end);
            response.images.push_back({k, sign, at, Decibels(amplitude / kTestAmplitude)});
        }
    }
    return response;
}

std::vector<double> ToneGrid(RatePair rates, double stepHz) {
    std::vector<double> grid;
    for (double f = stepHz; f < rates.input / 2 - 1e-9; f += stepHz) {
        const double folded = Fold(f, rates.output);
        if (Near(folded, 0) || Near(folded, rates.output / 2)) continue;
        grid.push_back(f);
    }
    return grid;
}

Distortion MeasureDistortion(const ConverterKind& kind, RatePair rates, double frequency,
                             const Layout& layout) {
    const std::vector<short> input =
        Tone(rates.input, frequency, kTestAmplitude, InputLength(rates, layout));
    const std::vector<short> framed = RunStream(kind, input, layout.frameSeconds);
    const std::vector<short> whole = RunStream(kind, input, layout.TotalSeconds());
    const Block block = AnalysedBlock(rates, layout);
    RequireLength(framed, block);
    RequireLength(whole, block);

    const ToneFit fit = FitTone(framed, rates.output, frequency, block.begin, block.end);
    const double toneRms = fit.amplitude / std::sqrt(2.0);
    constexpr double kPi = 3.14159265358979323846;
    double residual = 0;
    const std::size_t frame = ChunkSamples(layout.frameSeconds, rates.output);
    std::vector<double> positionSum(frame, 0.0);
    std::vector<double> difference(framed.size(), 0.0);
    for (std::size_t n = block.begin; n < block.end; ++n) {
        const double model =
            fit.offset + fit.amplitude * std::cos(2 * kPi * frequency * static_cast<double>(n) /
                                                      rates.output + fit.phase);
        residual += (framed[n] - model) * (framed[n] - model);
        difference[n] = static_cast<double>(framed[n]) - whole[n];
        positionSum[n % frame] += difference[n] * difference[n];
    }
    const double count = static_cast<double>(block.end - block.begin);
    double artefactPower = 0;
    const double frameRate = 1 / layout.frameSeconds;
    for (double line = frameRate; line < rates.output / 2; line += frameRate) {
        if (Near(line, frequency)) continue;
        const double amplitude = BinAmplitude(difference, rates.output, line, block.begin, block.end);
        artefactPower += amplitude * amplitude / 2;
    }
    Distortion result;
    result.thdnDb = Decibels(std::sqrt(residual / count) / toneRms);
    result.artefactDb = Decibels(std::sqrt(artefactPower) / toneRms);
    const double framesInBlock = count / static_cast<double>(frame);
    for (double sum : positionSum) {
        result.positionErrorDb.push_back(Decibels(std::sqrt(sum / framesInBlock) / toneRms));
    }
    result.framed.assign(framed.begin() + static_cast<std::ptrdiff_t>(block.begin),
                         framed.begin() + static_cast<std::ptrdiff_t>(block.end));
    result.whole.assign(whole.begin() + static_cast<std::ptrdiff_t>(block.begin),
                        whole.begin() + static_cast<std::ptrdiff_t>(block.end));
    return result;
}

Transients MeasureTransients(const ConverterKind& kind, RatePair rates, const Layout& layout,
                             double beforeMs, double afterMs) {
    const std::size_t length = InputLength(rates, layout);
    const std::size_t frameIn = ChunkSamples(layout.frameSeconds, rates.input);
    // Mid-frame, and off any simple ratio of the two rates.
    const std::size_t at = frameIn * static_cast<std::size_t>(layout.settleFrames) + frameIn / 3;
    const auto height = static_cast<short>(kTestAmplitude);
    const std::vector<short> impulse = RunStream(kind, Impulse(length, at, height), layout.frameSeconds);
    const std::vector<short> step = RunStream(kind, Step(length, at, height), layout.frameSeconds);

    const double eventSeconds = static_cast<double>(at) / rates.input;
    const auto first = static_cast<std::size_t>(
        std::max(0.0, std::ceil((eventSeconds - beforeMs / 1000) * rates.output)));
    const auto last = static_cast<std::size_t>((eventSeconds + afterMs / 1000) * rates.output);
    Transients result;
    for (std::size_t n = first; n <= last && n < impulse.size() && n < step.size(); ++n) {
        result.timeMs.push_back((static_cast<double>(n) / rates.output - eventSeconds) * 1000);
        result.impulse.push_back(impulse[n] / kTestAmplitude);
        result.step.push_back(step[n] / kTestAmplitude);
    }
    return result;
}

}  // namespace measure
