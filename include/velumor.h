/*
 * Velumor: frame-by-frame sampling-rate conversion of mono 16-bit PCM.
 *
 * Two converters, each a plain class:
 *   CDownSampler  higher rate -> lower rate (22050 Hz -> 8000 Hz by default)
 *   CUpSampler    lower rate -> higher rate (8000 Hz -> 22050 Hz by default)
 *
 * Usage: construct a converter for a frame duration, then call Conversion()
 * once per frame, in stream order. The converter carries the end of each
 * frame into the next, so consecutive frames form one continuous stream.
 *
 * Threading: one object serves one stream, on one thread at a time.
 * Objects share nothing; use a separate object for each stream, and separate
 * streams may then be converted on separate threads without locking.
 *
 * Memory: every array is allocated by the constructor and released by the
 * destructor. Conversion() allocates nothing, does no I/O and never fails.
 * The library keeps no global state and creates no threads. Constructors
 * throw std::bad_alloc when the memory cannot be had (nothing is leaked);
 * they report nothing else.
 *
 * Arithmetic: every output sample is bit-exact: double-precision
 * intermediates, single-precision storage, sums in order of increasing tap.
 * An output value past the 16-bit range saturates to -32768 or 32767;
 * a NaN or infinite value (from an infinite coefficient) stores 0.
 *
 * Frame lengths: samples per frame = trunc(duration * rate + 0.1f), computed
 * in double. So 0.02 s gives 441 samples at 22050 Hz and 160 at 8000 Hz.
 * A length that comes out negative, non-finite or of magnitude 2^63 or more
 * is 0; otherwise the low 32 bits of the truncated value are kept.
 *
 * Coefficient file: plain text, one entry per coefficient, each entry an
 * integer (read and ignored) and a real number, separated by white space,
 * e.g. "0 0.5\n1 -0.25\n". Entries are used strictly in file order. Reading
 * stops at the end of the file, at a byte 0x1A, or at the first character
 * that cannot start or continue an entry; coefficients not supplied are 0.
 * Reals are decimal (no hexadecimal, inf or nan), rounded once to the
 * nearest float, independent of the process's locale. A file that cannot be
 * opened leaves every coefficient 0.
 *
 * Binary interface: libVelumor.so.1 keeps the classes' exported functions
 * and their layout (the public members below, in their order, then one
 * private pointer to the library's own state) for every 1.x release.
 *
 * This header compiles as C++11 and later.
 */
#ifndef VELUMOR_H
#define VELUMOR_H

namespace velumor {
class DownEngine;
class UpEngine;
}

#if defined(_WIN32)
#  if defined(VELUMOR_BUILDING)
#    define VELUMOR_API __declspec(dllexport)
#  else
#    define VELUMOR_API __declspec(dllimport)
#  endif
#else
#  define VELUMOR_API __attribute__((visibility("default")))
#endif

/*
 * Downsampler: filters at the input rate with a FIR low-pass centred on the
 * position it evaluates (no delay) and interpolates linearly between the two
 * filtered input positions around each output position.
 *
 * Frame behaviour a caller must know:
 *  - dst[0] of every frame is src[0] copied unchanged, not a filtered value.
 *  - The filter's window past the end of a frame reads zeros (the samples of
 *    the next frame are not waited for), so the last few outputs of every
 *    frame are computed as if the input stopped there.
 *  - Latency: none beyond the frame itself.
 */
class VELUMOR_API CDownSampler {
public:
    /* Default converter: 22050 Hz -> 8000 Hz, built-in 35-tap filter.
     * frameDuration: seconds per frame (0.02f gives 441 in, 160 out). */
    explicit CDownSampler(float frameDuration);

    /* Converter for any rate pair with coefficients from a file.
     * frameDuration: seconds per frame.
     * inputRate, outputRate: Hz; Step = inputRate / outputRate.
     * tapCount: coefficients to read from the file (a negative count is 0;
     *   with 0 every output but dst[0] is 0).
     * coefficientFile: path of the coefficient file, read and closed here. */
    CDownSampler(float frameDuration, float inputRate, float outputRate,
                 int tapCount, const char* coefficientFile);

    ~CDownSampler();

    CDownSampler(const CDownSampler&) = delete;
    CDownSampler& operator=(const CDownSampler&) = delete;

    /* Converts one frame.
     * src: InputLength samples of the next frame; only read.
     * dst: receives OutputLength samples.
     * src is read completely before dst is written, so both may be one buffer
     * of max(InputLength, OutputLength) samples. With OutputLength 0 nothing
     * is written; with InputLength 0, dst[0] is 0 and src is not read. */
    void Conversion(const short* src, short* dst);

    int InputLength = 0;            /* input samples per frame (>= 0) */
    int OutputLength = 0;           /* output samples per frame (>= 0) */
    float Step = 0.0f;              /* input samples per output sample */
    int TapCount = 0;               /* filter coefficients (>= 0) */
    float* Coefficients = nullptr;  /* TapCount coefficients */
    float* History = nullptr;       /* TapCount / 2 last input samples of the stream */
    float* Work = nullptr;          /* history, frame, then a zero tail */
    int* BaseIndex = nullptr;       /* per output: whole input position at or before
                                     * it, clamped to 0 .. InputLength + TapCount / 2
                                     * so that every window stays inside Work (never
                                     * clamped when the rates are positive and finite) */
    float* UpperWeight = nullptr;   /* per output: weight of the value at BaseIndex + 1 */
    float* LowerWeight = nullptr;   /* per output: weight of the value at BaseIndex */

private:
    /* The library's own state for Conversion's fast paths. */
    velumor::DownEngine* Engine = nullptr;
};

/*
 * Upsampler: a polyphase interpolator. The input, multiplied by Factor, is
 * filtered on a grid Factor times finer than the input; each output is the
 * linear interpolation between the two grid values around its position.
 *
 * Frame behaviour a caller must know:
 *  - Latency: the filter is causal and delays the signal by G / 2 input
 *    samples, G = Span - 1 (9 input samples, 1.125 ms, with the built-in
 *    filter).
 *  - Output positions come from Step, the frame positions (BaseIndex) from
 *    the frame lengths; where the two disagree by rounding, an output is
 *    taken one input sample early or late (e.g. 29 of 220 outputs at 10 ms).
 */
class VELUMOR_API CUpSampler {
public:
    /* Default converter: 8000 Hz -> 22050 Hz, Factor 8, built-in 145-tap
     * filter. frameDuration: seconds per frame (0.02f gives 160 in, 441 out). */
    explicit CUpSampler(float frameDuration);

    /* Converter for any rate pair with coefficients from a file.
     * frameDuration: seconds per frame.
     * inputRate, outputRate: Hz; they set the frame lengths, and
     *   Step = InputLength * Factor / OutputLength (0 when OutputLength is 0).
     * factor: upsampling factor L (a value below 1 is taken as 1).
     * fileTapCount: coefficients the file holds, N (a negative count is 0).
     *   G = N / L, TapCount = L * G + 1, and the centre TapCount entries of the
     *   file are used. With N < L, G is 0 and every output is 0.
     * coefficientFile: path of the coefficient file, read and closed here. */
    CUpSampler(float frameDuration, float inputRate, float outputRate,
               int factor, int fileTapCount, const char* coefficientFile);

    ~CUpSampler();

    CUpSampler(const CUpSampler&) = delete;
    CUpSampler& operator=(const CUpSampler&) = delete;

    /* Converts one frame.
     * src: InputLength samples of the next frame; only read.
     * dst: receives OutputLength samples.
     * src is read completely before dst is written, so both may be one buffer
     * of max(InputLength, OutputLength) samples. With OutputLength 0 nothing
     * is written; with InputLength 0 src is not read. */
    void Conversion(const short* src, short* dst);

    int InputLength = 0;            /* input samples per frame (>= 0) */
    int OutputLength = 0;           /* output samples per frame (>= 0) */
    int Factor = 1;                 /* upsampling factor L (>= 1) */
    float Step = 0.0f;              /* grid positions per output sample */
    int TapCount = 0;               /* Factor * G + 1 coefficients */
    int Span = 0;                   /* G + 1 */
    float* Coefficients = nullptr;  /* TapCount coefficients */
    float* History = nullptr;       /* G last input samples of the stream, times Factor */
    float* Work = nullptr;          /* history, then the frame, each times Factor */
    float* UpperWeight = nullptr;   /* per output: weight of the later grid value */
    float* LowerWeight = nullptr;   /* per output: weight of the earlier grid value */
    int* Phase = nullptr;           /* per output: earlier grid position mod Factor */
    int* BaseIndex = nullptr;       /* per output: input sample at or before it */

private:
    /* The library's own state for Conversion's fast paths. */
    velumor::UpEngine* Engine = nullptr;
};

#endif /* VELUMOR_H */
