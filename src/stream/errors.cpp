#include "stream/errors.h"

#include <cstdarg>
#include <cstdio>

namespace velumor::stream {
namespace {

// Per thread, so that streams on separate threads report separately.
thread_local char t_message[512] = "";

}  // namespace

velumor_status Fail(velumor_status status, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(t_message, sizeof t_message, format, arguments);
    va_end(arguments);
    return status;
}

const char* LastMessage() { return t_message; }

}  // namespace velumor::stream

extern "C" const char* velumor_error_message(void) { return velumor::stream::LastMessage(); }

extern "C" const char* velumor_status_text(velumor_status status) {
    switch (status) {
        case VELUMOR_OK: return "success";
        case VELUMOR_ERROR_ARGUMENT: return "invalid argument";
        case VELUMOR_ERROR_RATE: return "unusable rate";
        case VELUMOR_ERROR_CHANNELS: return "unusable channel count";
        case VELUMOR_ERROR_FRAME: return "unusable frame duration";
        case VELUMOR_ERROR_FILE: return "coefficient file error";
        case VELUMOR_ERROR_DESIGN: return "filter cannot be designed";
        case VELUMOR_ERROR_OUTPUT_SIZE: return "output buffer too small";
        case VELUMOR_ERROR_FINISHED: return "stream already finished";
        case VELUMOR_ERROR_MEMORY: return "out of memory";
    }
    return "unknown status";
}
