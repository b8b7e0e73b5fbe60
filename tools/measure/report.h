#ifndef VELUMOR_MEASURE_REPORT_H
#define VELUMOR_MEASURE_REPORT_H

#include <string>
#include <vector>

#include "figures.h"

namespace measure {

// One conversion measured for every converter in the list (Velumor first).
struct Direction {
    std::string name;  // prefix of the CSV files
    RatePair rates;
    Bands bands;
    FilterTable table;  // Velumor's filter, as the library holds it
    std::vector<ConverterKind> converters;
};

// Runs every measurement and writes <name>_*.csv into `directory`; returns
// each converter's figures in the order of the list.
std::vector<Figures> MeasureAndWrite(const Direction& direction, const std::string& directory);

}  // namespace measure

#endif
