// Helpers for driving a converter over whole frames in the tests.
#ifndef VELUMOR_TESTS_CONVERTER_TEST_SUPPORT_H
#define VELUMOR_TESTS_CONVERTER_TEST_SUPPORT_H

#include <cstddef>
#include <vector>

// Converts one frame and returns the output frame.
template <typename Converter>
std::vector<short> ConvertFrame(Converter& converter, const std::vector<short>& input) {
    std::vector<short> output(static_cast<std::size_t>(converter.OutputLength));
    converter.Conversion(input.data(), output.data());
    return output;
}

// A frame of one value.
template <typename Converter>
std::vector<short> SteadyFrame(const Converter& converter, short value) {
    return std::vector<short>(static_cast<std::size_t>(converter.InputLength), value);
}

// Output positions [first, first + count) of a frame.
inline std::vector<short> Slice(const std::vector<short>& frame, std::size_t first, std::size_t count) {
    return std::vector<short>(frame.begin() + static_cast<std::ptrdiff_t>(first),
                              frame.begin() + static_cast<std::ptrdiff_t>(first + count));
}

#endif
