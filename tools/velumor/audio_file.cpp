#include "audio_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "errors.h"

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

}  // namespace

SoundReader::SoundReader(const std::string& path, const RawInput& raw) : path_(path) {
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

std::int64_t SoundReader::Read(short* interleaved, std::int64_t frames) {
    const sf_count_t got = sf_readf_short(file_, interleaved, frames);
    if (got < frames && sf_error(file_) != SF_ERR_NO_ERROR) {
        throw IoError(path_ + ": read error: " + sf_strerror(file_));
    }
    return got;
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
    if (sf_writef_short(file_, interleaved, frames) != frames) {
        throw IoError(name_ + ": cannot write: " + sf_strerror(file_));
    }
}

void SoundWriter::Close() {
    SNDFILE* file = file_;
    file_ = nullptr;
    sf_write_sync(file);
    const int error = sf_error(file);
    if (sf_close(file) != 0 || error != SF_ERR_NO_ERROR) {
        throw IoError(name_ + ": cannot write: " + sf_error_number(error));
    }
}

int OutputFormatFor(const std::string& path) {
    std::string extension = ExtensionOf(path);
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
    const std::string what = extension.empty() ? "no extension to name the output format"
                                               : "unknown output format '." + extension + "'";
    throw UsageError(path + ": " + what + " (use .wav, .flac, .aiff, .ogg, .raw or the like)");
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
