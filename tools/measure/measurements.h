#ifndef VELUMOR_MEASURE_MEASUREMENTS_H
#define VELUMOR_MEASURE_MEASUREMENTS_H

#include <string>
#include <vector>

#include "converter.h"
#include "signals.h"

namespace measure {

// One spectral line of a converted tone: the component at k * inputRate +
// sign * tone, folded into the output band. k = 0, sign = +1 is the tone
// itself; the others are images and aliases.
struct Component {
    int k = 0;
    int sign = 1;
    double outputHz = 0;
    double levelDb = 0;  // relative to the input tone
};

struct ToneResponse {
    double inputHz = 0;
    Component main;
    double phase = 0;  // of the main component, radians, against the input's
    std::vector<Component> images;
    // Output samples held back at the end of the stream, against the rate
    // ratio: a converter that aligns its output to the input pays its
    // latency here instead of in its phase.
    double heldBack = 0;
};

// Converts a steady tone and measures it over whole frames after the
// start-up: the level and phase of the tone (where it lands after folding)
// and every image component up to `maxImageOrder` times the input rate.
ToneResponse MeasureTone(const ConverterKind& kind, RatePair rates, double frequency,
                         const Layout& layout, int maxImageOrder);

// Tones every `stepHz` from stepHz up to below half the input rate, leaving
// out those that fold onto 0 Hz or onto half the output rate.
std::vector<double> ToneGrid(RatePair rates, double stepHz);

struct Distortion {
    double thdnDb = 0;      // residual after the fitted tone, against the tone
    // Frame-boundary artefacts against the tone (-inf: none): the lines at
    // multiples of the frame rate, other than the tone, in the spectrum of
    // the difference between the framed and the one-chunk conversion.
    double artefactDb = 0;
    std::vector<double> positionErrorDb;  // RMS error per output position in a frame
    std::vector<short> framed;            // analysed block, framed conversion
    std::vector<short> whole;             // the same block, converted as one chunk
};

// A steady tone converted twice: in frames of layout.frameSeconds, and in one
// chunk holding the whole signal. The difference is what the frame
// boundaries add (and, for a single very long frame, the slow drift of its
// rounded step, which stays near the tone in the spectrum); THD+N is taken
// from the framed conversion.
Distortion MeasureDistortion(const ConverterKind& kind, RatePair rates, double frequency,
                             const Layout& layout);

struct Transients {
    std::vector<double> timeMs;  // output time minus the time of the input event
    std::vector<double> impulse;  // output per unit of input height
    std::vector<double> step;
};

// Impulse and step placed mid-frame after the start-up; output from
// beforeMs before to afterMs after the event.
Transients MeasureTransients(const ConverterKind& kind, RatePair rates, const Layout& layout,
                             double beforeMs, double afterMs);

}  // namespace measure

#endif
