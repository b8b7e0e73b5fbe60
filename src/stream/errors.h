#ifndef VELUMOR_STREAM_ERRORS_H
#define VELUMOR_STREAM_ERRORS_H

#include <velumor_stream.h>

#include <stdexcept>
#include <string>

namespace velumor::stream {

// A failure inside the stream library, carried up to the C functions, which
// turn it into a status and the thread's message. Only thrown while
// building things (creation, design, files), never while streaming.
class StreamError : public std::runtime_error {
public:
    StreamError(velumor_status status, const std::string& message)
        : std::runtime_error(message), status_(status) {}
    velumor_status Status() const { return status_; }

private:
    velumor_status status_;
};

// Records the message of a failure on the calling thread and returns the
// status, so that a C function can `return Fail(...)`. Allocates nothing
// (the text is formatted into a fixed per-thread buffer, cut if too long).
velumor_status Fail(velumor_status status, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Runs a building step, turning what it throws into a status and message.
template <typename Step>
velumor_status Guard(const Step& step) noexcept {
    try {
        step();
        return VELUMOR_OK;
    } catch (const StreamError& e) {
        return Fail(e.Status(), "%s", e.what());
    } catch (const std::bad_alloc&) {
        return Fail(VELUMOR_ERROR_MEMORY, "out of memory");
    } catch (const std::exception& e) {
        return Fail(VELUMOR_ERROR_MEMORY, "%s", e.what());
    }
}

const char* LastMessage();

}  // namespace velumor::stream

#endif
