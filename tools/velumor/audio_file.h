#ifndef VELUMOR_TOOL_AUDIO_FILE_H
#define VELUMOR_TOOL_AUDIO_FILE_H

#include <sndfile.h>

#include <cstdint>
#include <string>

namespace velumor_tool {

// Headerless input: 16-bit little-endian PCM at this rate and channel count.
// A rate of 0 means the file has a header libsndfile reads.
struct RawInput {
    int rate = 0;
    int channels = 1;
};

// An audio file open for reading 16-bit samples; libsndfile converts other
// encodings on the way in, clipping instead of wrapping.
class SoundReader {
public:
    SoundReader(const std::string& path, const RawInput& raw);  // throws IoError
    ~SoundReader();

    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;

    int Rate() const { return info_.samplerate; }
    int Channels() const { return info_.channels; }
    std::int64_t Frames() const { return info_.frames; }
    int Format() const { return info_.format; }
    bool IsSixteenBit() const;

    // Reads up to `frames` interleaved frames; returns how many were read
    // (0 at the end). Throws IoError on a read error.
    std::int64_t Read(short* interleaved, std::int64_t frames);

private:
    std::string path_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
};

// A writer of 16-bit samples into an already open descriptor.
class SoundWriter {
public:
    SoundWriter(int fd, const std::string& name, int format, int rate, int channels);
    ~SoundWriter();

    SoundWriter(const SoundWriter&) = delete;
    SoundWriter& operator=(const SoundWriter&) = delete;

    void Write(const short* interleaved, std::int64_t frames);  // throws IoError
    void Close();                                                // throws IoError

private:
    std::string name_;
    SNDFILE* file_ = nullptr;
};

// The libsndfile format for an output path, from its extension: 16-bit PCM
// in that container (Vorbis for .ogg). Throws UsageError for an extension no
// format has.
int OutputFormatFor(const std::string& path);

// Throws UsageError when the format cannot hold this rate and channel count.
void CheckOutputFormat(const std::string& path, int format, int rate, int channels);

// "WAV (Microsoft), Signed 16 bit PCM" and the like.
std::string DescribeFormat(int format);

// The encoding part alone, e.g. "Signed 24 bit PCM".
std::string DescribeEncoding(int format);

}  // namespace velumor_tool

#endif
