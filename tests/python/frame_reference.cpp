// The C++ side of the Python package's bit-exactness tests: converts raw
// int16 frames from stdin to stdout with CDownSampler or CUpSampler, built
// from the arguments as the package builds them.
//   velumor_frame_reference down|up FRAME_SECONDS
//   velumor_frame_reference down FRAME_SECONDS IN_RATE OUT_RATE TAPS FILE
//   velumor_frame_reference up FRAME_SECONDS IN_RATE OUT_RATE FACTOR TAPS FILE
#include <velumor.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

template <class Converter>
int ConvertAll(Converter& converter) {
    std::vector<short> in(static_cast<std::size_t>(converter.InputLength));
    std::vector<short> out(static_cast<std::size_t>(converter.OutputLength));
    while (std::fread(in.data(), sizeof(short), in.size(), stdin) == in.size()) {
        converter.Conversion(in.data(), out.data());
        if (std::fwrite(out.data(), sizeof(short), out.size(), stdout) != out.size()) return 1;
    }
    return std::ferror(stdin) ? 1 : 0;
}

float Real(const char* text) { return std::strtof(text, nullptr); }

}  // namespace

int main(int argc, char** argv) {
    const bool down = argc >= 3 && std::strcmp(argv[1], "down") == 0;
    const bool up = argc >= 3 && std::strcmp(argv[1], "up") == 0;
    if (down && argc == 3) {
        CDownSampler converter(Real(argv[2]));
        return ConvertAll(converter);
    }
    if (down && argc == 7) {
        CDownSampler converter(Real(argv[2]), Real(argv[3]), Real(argv[4]), std::atoi(argv[5]), argv[6]);
        return ConvertAll(converter);
    }
    if (up && argc == 3) {
        CUpSampler converter(Real(argv[2]));
        return ConvertAll(converter);
    }
    if (up && argc == 8) {
        CUpSampler converter(Real(argv[2]), Real(argv[3]), Real(argv[4]), std::atoi(argv[5]),
                             std::atoi(argv[6]), argv[7]);
        return ConvertAll(converter);
    }
    std::fputs("usage: velumor_frame_reference down|up FRAME_SECONDS [RATES, (FACTOR,) TAPS, FILE]\n", stderr);
    return 2;
}
