// The vector code of each instruction set: the two algorithms compiled for
// it (isa/*.cpp), with the vector width their layouts are built for.
#ifndef VELUMOR_KERNELS_ISA_VECTOR_CODE_H
#define VELUMOR_KERNELS_ISA_VECTOR_CODE_H

namespace velumor {

struct DownStripes;
struct UpLanes;

struct VectorCode {
    int lanes = 0;   // doubles a vector
    int window = 0;  // grid values an upsampler's group of outputs picks from
    // Outputs 1 .. OutputLength - 1 of a downsampler frame into dst, from Work.
    void (*down)(const DownStripes& stripes, const float* coefficients, int taps,
                 const float* work, short* dst) = nullptr;
    // The whole frame of an upsampler into dst, from Work.
    void (*up)(const UpLanes& lanes, const float* coefficients, const float* work,
               const float* upperWeight, const float* lowerWeight, short* dst) = nullptr;
};

// Each set's code; empty where this build's architecture lacks the set. The
// caller checks that the processor runs it.
VectorCode Avx512Code();
VectorCode Avx2Code();
VectorCode Sse2Code();
VectorCode NeonCode();

// dst[i] = src[i] * scale for i < count, sixteen at a time, in float; for
// processors that run AVX-512 only.
void WidenSamplesAvx512(const short* src, float* dst, int count, float scale);

}  // namespace velumor

#endif
