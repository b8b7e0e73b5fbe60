#ifndef VELUMOR_MEASURE_VELUMOR_CONVERTERS_H
#define VELUMOR_MEASURE_VELUMOR_CONVERTERS_H

#include <string>
#include <vector>

#include "converter.h"

namespace measure {

// Rates of the default converters.
constexpr RatePair kDefaultDown{22050.0, 8000.0};
constexpr RatePair kDefaultUp{8000.0, 22050.0};

// The default converters with their built-in filters.
ConverterKind BuiltInDownSampler();
ConverterKind BuiltInUpSampler();

// Converters whose filter comes from a coefficient file.
ConverterKind FileDownSampler(RatePair rates, int tapCount, const std::string& path);
ConverterKind FileUpSampler(RatePair rates, int factor, int fileTapCount, const std::string& path);

// A converter's filter table as the library holds it (its Coefficients),
// with the rate that the table runs at.
struct FilterTable {
    std::vector<double> coefficients;
    double rate = 0;
};
FilterTable BuiltInDownTable();
FilterTable BuiltInUpTable();
FilterTable FileDownTable(RatePair rates, int tapCount, const std::string& path);
FilterTable FileUpTable(RatePair rates, int factor, int fileTapCount, const std::string& path);

}  // namespace measure

#endif
