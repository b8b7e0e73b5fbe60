#ifndef VELUMOR_TOOL_AUDIO_FILE_H
#define VELUMOR_TOOL_AUDIO_FILE_H

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velumor_tool {

// Headerless input: 16-bit little-endian PCM at this rate and channel count.
// A rate of 0 means the file has a header libsndfile reads.
struct RawInput {
    int rate = 0;
    int channels = 1;
};

// The name that stands for standard input or output.
constexpr const char* kStandardStream = "-";

// An audio file open for reading 16-bit samples; libsndfile converts other
// encodings on the way in, clipping instead of wrapping. The path "-" reads
// standard input: through libsndfile, which finds the format from its
// header, or, with a raw rate, as headerless PCM read as it comes.
class SoundReader {
public:
    SoundReader(const std::string& path, const RawInput& raw);  // throws IoError
    ~SoundReader();

    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;

    int Rate() const { return info_.samplerate; }
    int Channels() const { return info_.channels; }
    // Frames the header gives; 0 for standard input, read to its end.
    std::int64_t Frames() const { return stream_ ? 0 : info_.frames; }
    bool IsStandardInput() const { return stream_; }
    // Frames to ask Read() for at a time: few where a read waits for all of
    // them (libsndfile on a pipe), so that output follows input closely.
    std::int64_t BlockFrames() const;
    int Format() const { return info_.format; }
    bool IsSixteenBit() const;

    // Reads up to `frames` interleaved frames; returns how many were read
    // (0 at the end). Headerless standard input returns as soon as a whole
    // frame has come, however the bytes arrive. Throws IoError on a read error.
    std::int64_t Read(short* interleaved, std::int64_t frames);

private:
    std::int64_t ReadRawStream(short* interleaved, std::int64_t frames);

    std::string path_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
    bool stream_ = false;
    bool rawStream_ = false;
    std::vector<unsigned char> bytes_;  // raw standard input, partial frame first
    std::size_t carried_ = 0;
};

// A writer of 16-bit samples into an already open descriptor. A reader of a
// pipe that went away throws BrokenPipe; other write errors IoError.
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

// The libsndfile format for `--type TYPE` (a name as an extension would
// give it: wav, au, raw, flac ...). Throws UsageError naming the option.
int OutputFormatForType(const std::string& type);

// Throws UsageError when the format cannot hold this rate and channel count.
void CheckOutputFormat(const std::string& path, int format, int rate, int channels);

// Throws UsageError naming `option` when standard output is a pipe (or
// anything else that cannot seek) and libsndfile cannot write the format
// to one (WAV, AIFF and the like rewrite their header at the end).
void CheckStandardOutputFormat(const std::string& option, int format, int rate, int channels);

// "WAV (Microsoft), Signed 16 bit PCM" and the like.
std::string DescribeFormat(int format);

// The encoding part alone, e.g. "Signed 24 bit PCM".
std::string DescribeEncoding(int format);

}  // namespace velumor_tool

#endif
