#include "sound_files.h"

#include <sndfile.h>

#include <cmath>
#include <stdexcept>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

void WriteSound(const std::string& path, const Sound& sound, int format) {
    SF_INFO info{};
    info.samplerate = sound.rate;
    info.channels = sound.channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) throw std::runtime_error(path + ": " + sf_strerror(nullptr));
    // 32-bit integers: a 16-bit value v is written as v << 16, so it keeps
    // its value in 16-bit files and gains 8 zero bits in 24-bit files.
    std::vector<int> wide(sound.samples.size());
    for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = sound.samples[i] * 65536;
    sf_writef_int(file, wide.data(), sound.Frames());
    sf_close(file);
}

Sound ReadSound(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) throw std::runtime_error(path + ": " + sf_strerror(nullptr));
    Sound sound;
    sound.rate = info.samplerate;
    sound.channels = info.channels;
    sound.format = info.format;
    // To the end, not to info.frames: a stream written to a pipe (FLAC, AU)
    // may not know its length.
    std::vector<short> block(static_cast<std::size_t>(4096 * info.channels));
    sf_count_t got = 0;
    while ((got = sf_readf_short(file, block.data(), 4096)) > 0) {
        sound.samples.insert(sound.samples.end(), block.begin(), block.begin() + got * info.channels);
    }
    sf_close(file);
    return sound;
}

Sound Silence(int rate, int channels, long frames) {
    Sound sound;
    sound.rate = rate;
    sound.channels = channels;
    sound.samples.assign(static_cast<std::size_t>(frames * channels), 0);
    return sound;
}

void AddClick(Sound& sound, int channel, long frame, int amplitude) {
    sound.samples[static_cast<std::size_t>(frame * sound.channels + channel)] += amplitude;
}

Sound Tone(int rate, long frames, double hz, double amplitude) {
    Sound sound = Silence(rate, 1, frames);
    for (long i = 0; i < frames; ++i) {
        sound.samples[static_cast<std::size_t>(i)] =
            static_cast<int>(std::lround(amplitude * std::sin(2.0 * kPi * hz * static_cast<double>(i) / rate)));
    }
    return sound;
}

double ToneAmplitude(const Sound& sound, int channel, double hz, long from, long to) {
    const double w = 2.0 * kPi * hz / sound.rate;
    double re = 0.0;
    double im = 0.0;
    for (long i = from; i < to; ++i) {
        re += sound.At(i, channel) * std::cos(w * static_cast<double>(i));
        im += sound.At(i, channel) * std::sin(w * static_cast<double>(i));
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(to - from);
}
