// The code paths of Conversion and what a path needs to convert one frame
// once Work and History are up to date. The plain scalar path follows the
// converters' definitions literally; the others fill a table of filtered
// values with vector instructions (frame_kernels.h) and give the same bits.
#ifndef VELUMOR_CONVERSION_KERNELS_H
#define VELUMOR_CONVERSION_KERNELS_H

class CDownSampler;
class CUpSampler;

namespace velumor {

struct DownStripes;
struct UpLanes;

enum class KernelPath : int {
    kScalar = 0,    // the literal definitions, one output at a time
    kPortable = 1,  // the frame kernels for the architecture's baseline
    kAvx2 = 2,      // the frame kernels with AVX2 and FMA
    kAvx512 = 3,    // the frame kernels with AVX-512
};
constexpr int kKernelPathCount = 4;

// Downsampler frame. The filtered values at input positions
// first .. first + count - 1 cover every BaseIndex[j] and BaseIndex[j] + 1.
struct DownFrame {
    const float* coefficients;  // taps
    int taps;
    const float* work;       // Work, of which the first workLength change;
    int workLength;          // zeros run kKernelPadding floats past its tail
    double* wideCoefficients;  // scratch: the coefficients as doubles
    double* wideWork;          // scratch: Work as doubles, zero past workLength
    int first;
    int count;
    float* filtered;  // scratch: count filtered values (rounded up to 8)
    const int* baseIndex;  // outputs entries each, from output 1 on
    const float* upperWeight;
    const float* lowerWeight;
    int outputs;
    short* dst;
};

// Upsampler frame. The filtered values of row r = 0 .. Factor at input
// position b are sum over k < g of coefficient[r + k * Factor] * Work[b + 1 + k].
struct UpFrame {
    const float* coefficients;  // taps = factor * g + 1
    int taps;
    int factor;
    int g;
    const float* work;  // Work, of which the first workLength change
    int workLength;
    double* wideCoefficients;
    double* wideWork;
    int count;   // positions per row: every BaseIndex is below it
    int stride;  // row stride of filtered, count rounded up to 8
    float* filtered;  // scratch: (factor + 1) rows
    const int* baseIndex;
    const int* phase;
    const float* upperWeight;
    const float* lowerWeight;
    int outputs;
    short* dst;
};

// Extra doubles past Work in wideWork, floats past count in filtered, and
// zero floats past the downsampler's Work, that whole vectors of the kernels
// may touch.
constexpr int kKernelPadding = 32;

// The scalar path reads the converter's own members.
void ConvertDownScalar(const CDownSampler& converter, short* dst);
void ConvertUpScalar(const CUpSampler& converter, short* dst);

void ConvertDownPortable(const DownFrame& frame);
void ConvertUpPortable(const UpFrame& frame);
#if defined(__x86_64__) || defined(__i386__)
void ConvertDownAvx2(const DownFrame& frame);
void ConvertUpAvx2(const UpFrame& frame);
void ConvertDownAvx512(const DownFrame& frame);
void ConvertUpAvx512(const UpFrame& frame);
// The AVX-512 downsampler over its stripes (down_stripes_avx512.cpp), for
// outputs 1 .. OutputLength - 1 into dst, and the converters' copy of a
// frame into Work: dst[i] = src[i] * scale, sixteen at a time, in float,
// which is exact for the scales used (1, and the upsampler's Factor 8).
void ConvertDownStripesAvx512(DownStripes& stripes, const float* coefficients, int taps,
                              const float* work, short* dst);
void WidenSamplesAvx512(const short* src, float* dst, int count, float scale);
// The AVX-512 upsampler for Factor 8 (up_lanes_avx512.cpp), for the whole
// frame into dst.
void ConvertUpLanesAvx512(UpLanes& lanes, const float* coefficients, const float* work,
                          const float* upperWeight, const float* lowerWeight, short* dst);
// The upsampler's mixing step on the AVX-512 path (mix_avx512.cpp).
void MixUpAvx512(const UpFrame& frame);
#endif

// True when this build has the path and the processor runs it.
bool KernelPathAvailable(KernelPath path);
// The fastest available path; found once, then constant.
KernelPath BestKernelPath();
// The path for a converter: the scalar one without a table of filtered
// values, or when the portable path, two lanes wide on x86-64, would fill a
// table several times larger than the values its outputs use.
KernelPath PathWithTable(bool hasTable, double tableExcess);

}  // namespace velumor

// Library-internal access to a converter's path, for the tests that run
// every path: not exported from the shared library. ForcePath returns false,
// changing nothing, when the processor lacks the path or the converter has
// no table of filtered values for it.
struct VelumorKernelHook {
    static bool ForcePath(CDownSampler& converter, velumor::KernelPath path);
    // Allocates the downsampler's table of filtered values, which a
    // converter on the AVX-512 path does without; false if it has none.
    static bool EnsureTable(CDownSampler& converter);
    // Makes the AVX-512 path use its table kernel, as it does for a
    // geometry that has no stripes; false if the converter has no table.
    static bool DropStripes(CDownSampler& converter);
    static bool ForcePath(CUpSampler& converter, velumor::KernelPath path);
    // The same two for the upsampler, whose AVX-512 path does without a
    // table where it has its layout for Factor 8.
    static bool EnsureTable(CUpSampler& converter);
    static bool DropLanes(CUpSampler& converter);
    static velumor::KernelPath PathOf(const CDownSampler& converter);
    static velumor::KernelPath PathOf(const CUpSampler& converter);
};

#endif
