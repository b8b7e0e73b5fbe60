#include "audio_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "errors.h"

#include <cstdint>

namespace velumor_tool {
namespace {

std::string Lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string ExtensionOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return Lowercase(path.substr(dot + 1));
}

std::string FormatName(int format, int command) {
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, command, &info, sizeof info) != 0 || info.name == nullptr) {
        return "unknown";
    }
    return info.name;
}

// libsndfile's "System error : No space left on device." as the reason alone.
std::string WriteError(SNDFILE* file) {
    const int error = errno;
    if (error != 0) return std::strerror(error);
    return sf_strerror(file);
}

int FormatForExtension(std::string extension) {
    if (extension == "aif") extension = "aiff";
    if (extension == "ogg") extension = "oga";
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count && !extension.empty(); ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info);
        if (info.extension == nullptr || Lowercase(info.extension) != extension) continue;
        const int major = info.format & SF_FORMAT_TYPEMASK;
        return major | (major == SF_FORMAT_OGG ? SF_FORMAT_VORBIS : SF_FORMAT_PCM_16);
    }
    return 0;
}

}  // namespace

SoundReader::SoundReader(const std::string& path, const RawInput& raw) : path_(path) {
    if (path == kStandardStream) {
        path_ = "standard input";
        stream_ = true;
        if (raw.rate > 0) {
            info_.samplerate = raw.rate;
            info_.channels = raw.channels;
            info_.format = SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
            rawStream_ = true;
            return;
        }
        file_ = sf_open_fd(STDIN_FILENO, SFM_READ, &info_, SF_FALSE);
        if (file_ == nullptr) {
            throw IoError(path_ + ": not audio libsndfile can read (" + sf_strerror(nullptr) +
                          "); headerless PCM needs --raw-rate");
        }
        sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        return;
    }
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) throw IoError(path + ": cannot open: " + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) throw IoError(path + ": is a directory");
    if (raw.rate > 0) {
        info_.samplerate = raw.rate;
        info_.channels = raw.channels;
        info_.format = SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
    }
    file_ = sf_open(path.c_str(), SFM_READ, &info_);
    if (file_ == nullptr) {
        throw IoError(path + ": not an audio file libsndfile can read (" + sf_strerror(nullptr) + ")");
    }
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

SoundReader::~SoundReader() {
    if (file_ != nullptr) sf_close(file_);
}

bool SoundReader::IsSixteenBit() const { return (info_.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16; }

std::int64_t SoundReader::BlockFrames() const {
    constexpr std::int64_t kFileBlock = 1 << 16;
    if (stream_ && !rawStream_) return std::max(1, info_.samplerate / 50);  // 20 ms
    return kFileBlock;
}

std::int64_t SoundReader::Read(short* interleaved, std::int64_t frames) {
    if (rawStream_) return ReadRawStream(interleaved, frames);
    const sf_count_t got = sf_readf_short(file_, interleaved, frames);
    if (got < frames && sf_error(file_) != SF_ERR_NO_ERROR) {
        throw IoError(path_ + ": read error: " + sf_strerror(file_));
    }
    return got;
}

std::int64_t SoundReader::ReadRawStream(short* interleaved, std::int64_t frames) {
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(info_.channels);
    const std::size_t want = static_cast<std::size_t>(frames) * frameBytes;
    if (bytes_.size() < want + frameBytes) bytes_.resize(want + frameBytes);
    while (carried_ < frameBytes) {
        const ssize_t n = read(STDIN_FILENO, bytes_.data() + carried_, want - carried_ + frameBytes - 1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw IoError(path_ + ": read error: " + std::strerror(errno));
        if (n == 0) return 0;  // a partial frame at the end is dropped
        carried_ += static_cast<std::size_t>(n);
    }
    const std::size_t whole = std::min(carried_ / frameBytes, static_cast<std::size_t>(frames));
    const std::size_t values = whole * frameBytes / 2;
    for (std::size_t i = 0; i < values; ++i) {
        interleaved[i] = static_cast<short>(bytes_[2 * i] | (bytes_[2 * i + 1] << 8));
    }
    carried_ -= whole * frameBytes;
    std::memmove(bytes_.data(), bytes_.data() + whole * frameBytes, carried_);
    return static_cast<std::int64_t>(whole);
}

SoundWriter::SoundWriter(int fd, const std::string& name, int format, int rate, int channels)
    : name_(name) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr) throw IoError(name + ": cannot write: " + sf_strerror(nullptr));
}

SoundWriter::~SoundWriter() {
    if (file_ != nullptr) sf_close(file_);
}

void SoundWriter::Write(const short* interleaved, std::int64_t frames) {
    errno = 0;
    if (sf_writef_short(file_, interleaved, frames) != frames) {
        if (errno == EPIPE) throw BrokenPipe{};
        throw IoError(name_ + ": cannot write: " + WriteError(file_));
    }
}

void SoundWriter::Close() {
    SNDFILE* file = file_;
    file_ = nullptr;
    errno = 0;
    sf_write_sync(file);
    const int error = sf_error(file);
    const int closed = sf_close(file);
    if (errno == EPIPE) throw BrokenPipe{};
    if (closed != 0 || error != SF_ERR_NO_ERROR) {
        throw IoError(name_ + ": cannot write: " + sf_error_number(error));
    }
}

int OutputFormatFor(const std::string& path) {
    const std::string extension = ExtensionOf(path);
    if (const int format = FormatForExtension(extension)) return format;
    const std::string what = extension.empty() ? "no extension to name the output format"
                                               : "unknown output format '." + extension + "'";
    throw UsageError(path + ": " + what + " (use .wav, .flac, .aiff, .ogg, .raw or the like)");
}

int OutputFormatForType(const std::string& type) {
    if (const int format = FormatForExtension(Lowercase(type))) return format;
    throw UsageError("--type " + type + ": unknown format (use wav, au, raw, flac or the like)");
}

void CheckStandardOutputFormat(const std::string& option, int format, int rate, int channels) {
    if (lseek(STDOUT_FILENO, 0, SEEK_CUR) >= 0 || errno != ESPIPE) return;
    // libsndfile knows which formats it can write to a pipe: ask it, on one.
    int ends[2];
    if (pipe(ends) != 0) return;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* trial = sf_open_fd(ends[1], SFM_WRITE, &info, SF_FALSE);
    if (trial != nullptr) sf_close(trial);
    close(ends[0]);
    close(ends[1]);
    if (trial == nullptr) {
        throw UsageError(option + ": " + FormatName(format & SF_FORMAT_TYPEMASK, SFC_GET_FORMAT_INFO) +
                         " cannot be written to a pipe (au, raw, flac and the like can)");
    }
}

void CheckOutputFormat(const std::string& path, int format, int rate, int channels) {
    SF_INFO info{};
    info.format = format;
    info.samplerate = rate;
    info.channels = channels;
    if (sf_format_check(&info) == 0) {
        throw UsageError(path + ": " + DescribeFormat(format) + " cannot hold " +
                         std::to_string(channels) + " channels at " + std::to_string(rate) + " Hz");
    }
}

std::string DescribeFormat(int format) {
    return FormatName(format & SF_FORMAT_TYPEMASK, SFC_GET_FORMAT_INFO) + ", " + DescribeEncoding(format);
}

std::string DescribeEncoding(int format) {
    return FormatName(format & SF_FORMAT_SUBMASK, SFC_GET_FORMAT_INFO);
}

}  // namespace velumor_tool
