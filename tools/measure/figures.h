#ifndef VELUMOR_MEASURE_FIGURES_H
#define VELUMOR_MEASURE_FIGURES_H

#include <utility>
#include <vector>

#include "measurements.h"
#include "velumor_converters.h"

namespace measure {

// The bands the figures are taken over: 3.4 kHz and 4 kHz for 8000 Hz.
struct Bands {
    double passbandHz = 0;
    double stopbandHz = 0;
};
Bands TelephoneBands(RatePair rates);  // 0.425 and 0.5 times the lower rate

struct Figures {
    double rippleMinDb = 0;  // tone level up to the passband edge, against unity
    double rippleMaxDb = 0;
    double stopAttenuationDb = 0;  // weakest rejection of anything at or above the stopband edge
    double aliasRejectionDb = 0;   // weakest rejection of components folding into the passband
    double thdnDb = 0;
    double groupDelayMs = 0;  // at 1 kHz
    double heldBackMs = 0;    // output held back at the end of the stream
    double delayMs = 0;       // latency: the two together
    double delayInputSamples = 0;
    double artefactDb = 0;
};

Figures ComputeFigures(const std::vector<ToneResponse>& tones, const Distortion& distortion,
                       RatePair rates, Bands bands);

// Group delay between neighbouring tones below both Nyquist frequencies:
// (frequency midway, delay in ms).
std::vector<std::pair<double, double>> GroupDelays(const std::vector<ToneResponse>& tones,
                                                   RatePair rates);

// Group delay from the two tones nearest either side of `frequency`.
double GroupDelayMsAt(const std::vector<ToneResponse>& tones, RatePair rates, double frequency);

// A filter table's own response, against unity.
struct TableFigures {
    double dcDb = 0;
    double rippleMinDb = 0;  // up to the passband edge
    double rippleMaxDb = 0;
    double stopDb = 0;      // highest level from the stopband edge to half the table's rate
    double farStopDb = 0;   // the same from 1.25 times the stopband edge
};
TableFigures ComputeTableFigures(const FilterTable& table, Bands bands, double stepHz);

}  // namespace measure

#endif
