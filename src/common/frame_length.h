#ifndef VELUMOR_COMMON_FRAME_LENGTH_H
#define VELUMOR_COMMON_FRAME_LENGTH_H

namespace velumor {

// Samples per frame: trunc(duration * rate + 0.1f) in double precision,
// low 32 bits kept. The single-precision bias makes 0.02 s at 22050 Hz give
// 441 rather than 440. A length that comes out negative is 0.
int FrameLength(float durationSeconds, float rateHz);

}  // namespace velumor

#endif
