/*
 * Velumor streams: sampling-rate conversion of interleaved 16-bit PCM in
 * chunks of any size, on top of the frame converters of <velumor.h>.
 *
 * A stream cuts its input into the converters' frames itself, primes the
 * upsampler so that its delay falls on a whole output sample, and pads and
 * trims the end, so that:
 *  - the output does not depend on how the input was cut: any sequence of
 *    velumor_stream_process() calls (of 0, 1 or any number of samples) gives
 *    the same samples, bit for bit, as one call with the whole input;
 *  - output sample m of a channel stands for the input at time
 *    m / output_rate (the converters' delay is taken out);
 *  - after velumor_stream_finish(), each channel has exactly
 *    round(n * output_rate / input_rate) samples for n input samples
 *    (halves rounded up);
 *  - channel c of the output is, bit for bit, what a mono stream of channel c
 *    of the input gives.
 *
 * Counts ("samples") are per channel throughout: a buffer of `count` samples
 * of a stream with C channels holds count * C int16_t values, interleaved.
 *
 * Memory: every buffer is allocated by velumor_stream_create(). Processing
 * allocates nothing, does no I/O and takes no lock.
 *
 * Threading: one stream serves one thread at a time. Separate streams share
 * nothing and may run on separate threads at once. The message of
 * velumor_error_message() is kept per thread.
 *
 * Errors: every function that can fail returns a velumor_status; on failure
 * nothing has been consumed or written, and velumor_error_message() tells
 * what was wrong, on the calling thread, until its next failing call.
 *
 * This header compiles as C99 and as C++.
 */
#ifndef VELUMOR_STREAM_H
#define VELUMOR_STREAM_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(VELUMOR_STREAM_BUILDING)
#    define VELUMOR_STREAM_API __declspec(dllexport)
#  else
#    define VELUMOR_STREAM_API __declspec(dllimport)
#  endif
#else
#  define VELUMOR_STREAM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Results. 0 is success; every error is negative. */
typedef enum velumor_status {
    VELUMOR_OK = 0,
    VELUMOR_ERROR_ARGUMENT = -1,   /* a null pointer or a value out of range */
    VELUMOR_ERROR_RATE = -2,       /* a rate that is not a whole number of Hz in
                                      1 .. VELUMOR_MAX_RATE, or equal rates */
    VELUMOR_ERROR_CHANNELS = -3,   /* channels outside 1 .. VELUMOR_MAX_CHANNELS */
    VELUMOR_ERROR_FRAME = -4,      /* a frame duration whose frames do not hold
                                      whole numbers of samples at both rates */
    VELUMOR_ERROR_FILE = -5,       /* the coefficient file cannot be read */
    VELUMOR_ERROR_DESIGN = -6,     /* no filter can be designed as asked */
    VELUMOR_ERROR_OUTPUT_SIZE = -7, /* the output buffer is too small */
    VELUMOR_ERROR_FINISHED = -8,   /* the stream was already finished */
    VELUMOR_ERROR_MEMORY = -9      /* memory could not be had */
} velumor_status;

#define VELUMOR_MAX_CHANNELS 256
#define VELUMOR_MAX_RATE 1000000

/* How a stream is built. Initialise with velumor_stream_config_init(), then
 * change what differs; fields left as initialised take their defaults. */
typedef struct velumor_stream_config {
    int input_rate;    /* Hz, 1 .. VELUMOR_MAX_RATE */
    int output_rate;   /* Hz, 1 .. VELUMOR_MAX_RATE, not input_rate */
    int channels;      /* interleaved channels, 1 .. VELUMOR_MAX_CHANNELS */
    /* Seconds per converter frame; 0 picks one (20 ms for 22050 <-> 8000 Hz,
     * otherwise about 20 ms of whole samples at both rates). */
    double frame_duration;
    /* Coefficient file (see <velumor.h>), read at creation and not kept;
     * NULL: the built-in filters for 22050 <-> 8000 Hz (unless taps or
     * factor is set), otherwise a filter designed as
     * velumor_design_filter() designs it. */
    const char* coefficient_file;
    /* With a file: the entries it holds (required). Without one: the taps
     * of the designed filter; 0 picks the fewest that reach 80 dB. */
    int taps;
    /* Upsampling factor L (upsampling only); 0 picks the default. */
    int factor;
} velumor_stream_config;

typedef struct velumor_stream velumor_stream;

/* Sets every field to its default for the given rates and channels. */
VELUMOR_STREAM_API void velumor_stream_config_init(velumor_stream_config* config, int input_rate,
                                                   int output_rate, int channels);

/* Builds a stream. On success *stream is the new stream, to be released with
 * velumor_stream_destroy(); on failure *stream is NULL. */
VELUMOR_STREAM_API velumor_status velumor_stream_create(const velumor_stream_config* config,
                                                        velumor_stream** stream);

/* Releases a stream; NULL is ignored. */
VELUMOR_STREAM_API void velumor_stream_destroy(velumor_stream* stream);

/* The most output samples (per channel) that velumor_stream_process() with
 * input_count samples can give; with input_count 0, the most that
 * velumor_stream_finish() can give. A buffer sized once from the largest
 * chunk serves every call. */
VELUMOR_STREAM_API size_t velumor_stream_max_output(const velumor_stream* stream,
                                                    size_t input_count);

/* Output samples (per channel) that the stream holds back: the input it has
 * taken stands for this many more output samples than it has given. */
VELUMOR_STREAM_API size_t velumor_stream_latency(const velumor_stream* stream);

/* Converts input_count samples per channel from input (input_count *
 * channels values, interleaved; may be NULL when input_count is 0) and
 * writes what is ready to output, which holds output_capacity samples per
 * channel; *output_count receives the samples written per channel. input and
 * output must not overlap. With VELUMOR_ERROR_OUTPUT_SIZE nothing is taken
 * or written: repeat the call with a larger buffer. */
VELUMOR_STREAM_API velumor_status velumor_stream_process(velumor_stream* stream,
                                                         const int16_t* input,
                                                         size_t input_count, int16_t* output,
                                                         size_t output_capacity,
                                                         size_t* output_count);

/* Ends the stream: writes the rest of its output, so that each channel has
 * its exact length. Nothing may be processed after it (the calls fail with
 * VELUMOR_ERROR_FINISHED). */
VELUMOR_STREAM_API velumor_status velumor_stream_finish(velumor_stream* stream, int16_t* output,
                                                        size_t output_capacity,
                                                        size_t* output_count);

/* The message of the last failure on the calling thread ("" if none). */
VELUMOR_STREAM_API const char* velumor_error_message(void);

/* A short fixed text for a status. */
VELUMOR_STREAM_API const char* velumor_status_text(velumor_status status);

/* A designed filter's figures. */
typedef struct velumor_filter_design {
    int taps;                 /* coefficients */
    int factor;               /* upsampling factor L; 1 when converting down */
    double filter_rate;       /* Hz the filter runs at: the input rate times L */
    double cutoff_hz;
    double kaiser_beta;
    double passband_edge_hz;
    double stopband_edge_hz;
    double ripple_db;         /* largest passband deviation from 0 dB */
    double attenuation_db;    /* smallest stopband attenuation */
} velumor_filter_design;

/* Designs the Kaiser-windowed sinc low-pass that a stream from input_rate
 * to output_rate uses when it is given no coefficient file. taps 0 picks the
 * fewest taps that reach 80 dB; factor 0 the default factor (converting up).
 * coefficients receives design->taps floats when capacity allows; with
 * coefficients NULL or capacity too small, only *design is filled and the
 * call returns VELUMOR_ERROR_OUTPUT_SIZE, so a caller can size its array. */
VELUMOR_STREAM_API velumor_status velumor_design_filter(int input_rate, int output_rate, int taps,
                                                        int factor, float* coefficients,
                                                        size_t capacity,
                                                        velumor_filter_design* design);

/* Writes count coefficients as a coefficient file ("index value" lines,
 * each value reading back as the same float). */
VELUMOR_STREAM_API velumor_status velumor_write_coefficients(const char* path,
                                                             const float* coefficients,
                                                             size_t count);

#ifdef __cplusplus
}
#endif

#endif /* VELUMOR_STREAM_H */
