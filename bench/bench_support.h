// Shared by the benchmark programs: a deterministic speech-band test signal,
// and low-pass coefficient files for the file-filter geometries.
#ifndef VELUMOR_BENCH_SUPPORT_H
#define VELUMOR_BENCH_SUPPORT_H

#include <string>
#include <vector>

namespace bench {

// seconds of a voice-like signal at rate: a few formant-like tones under a
// syllable-rate envelope, plus a little noise from a fixed generator.
std::vector<short> SpeechBandSignal(double seconds, double rate);

// Writes a windowed-sinc low-pass of taps coefficients (cut-off as a
// fraction of the sampling rate, gain at DC) to a file and returns its path.
// The file lives in the temporary directory until the process ends.
std::string LowPassFile(int taps, double cutoff, double gain);

}  // namespace bench

#endif
