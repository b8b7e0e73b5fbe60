// The coefficient file reader on arbitrary bytes. The first eight bytes give
// the skip and keep counts, the rest is the file. The destination holds
// exactly the floats the reader may write, so AddressSanitizer catches any
// write past it; a slot the reader leaves alone keeps its marker.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "coefficients/coefficient_reader.h"
#include "fuzz_temp_file.h"

namespace {

constexpr float kUntouched = -12345.678f;
// Keeps the destination small; the reader's bounds do not depend on its size.
constexpr std::int32_t kMaxKeep = 1 << 12;

std::int32_t TakeInt32(const std::uint8_t*& data, std::size_t& size) {
    std::uint32_t bits = 0;
    const std::size_t n = size < 4 ? size : 4;
    std::memcpy(&bits, data, n);
    data += n;
    size -= n;
    return static_cast<std::int32_t>(bits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::int32_t skip = TakeInt32(data, size);
    std::int32_t keep = TakeInt32(data, size);
    if (keep > kMaxKeep) keep %= kMaxKeep;
    const std::size_t slots = keep > 0 ? static_cast<std::size_t>(keep) : 0;

    std::unique_ptr<float[]> destination(new float[slots]);
    for (std::size_t i = 0; i < slots; ++i) destination[i] = kUntouched;
    const char* path = WriteScratchFile(data, size);
    velumor::ReadCoefficients(path, destination.get(), skip, keep);

    // The grammar has no NaN, so none may come out.
    for (std::size_t i = 0; i < slots; ++i) {
        if (std::isnan(destination[i])) std::abort();
    }
    return 0;
}
