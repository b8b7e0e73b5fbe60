#ifndef VELUMOR_TOOL_TESTS_SOUND_FILES_H
#define VELUMOR_TOOL_TESTS_SOUND_FILES_H

#include <string>
#include <vector>

// Test inputs and outputs, through libsndfile.
struct Sound {
    int rate = 0;
    int channels = 1;
    int format = 0;
    std::vector<int> samples;  // interleaved; 16-bit values, or 24-bit for such files

    long Frames() const { return static_cast<long>(samples.size()) / channels; }
    int At(long frame, int channel) const {
        return samples[static_cast<std::size_t>(frame * channels + channel)];
    }
};

// Writes the sound in `format` (e.g. SF_FORMAT_WAV | SF_FORMAT_PCM_16);
// samples are taken as 32-bit integers scaled to the file's width.
void WriteSound(const std::string& path, const Sound& sound, int format);
Sound ReadSound(const std::string& path);  // samples as 16-bit values

// `channels` channels of silence, `frames` long, at `rate`.
Sound Silence(int rate, int channels, long frames);
// Adds a one-sample click of `amplitude` at `frame` of `channel`.
void AddClick(Sound& sound, int channel, long frame, int amplitude);
// A mono sine of `hz` at `amplitude`.
Sound Tone(int rate, long frames, double hz, double amplitude);

// Level of a frequency (Goertzel), as the amplitude of the sine it matches,
// over frames [from, to) of one channel.
double ToneAmplitude(const Sound& sound, int channel, double hz, long from, long to);

#endif
