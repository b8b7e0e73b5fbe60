#ifndef VELUMOR_MEASURE_PEERS_H
#define VELUMOR_MEASURE_PEERS_H

#include <string>
#include <vector>

#include "converter.h"

namespace measure {

// The open resamplers measured beside Velumor, at the settings compared.
struct PeerSet {
    std::vector<ConverterKind> kinds;
    std::vector<std::string> missing;  // peers this build was made without
};
PeerSet Peers(RatePair rates);

// One function per peer library, each in its own file.
std::vector<ConverterKind> SpeexPeers(RatePair rates);
std::vector<ConverterKind> SampleratePeers(RatePair rates);
std::vector<ConverterKind> SoxrPeers(RatePair rates);

}  // namespace measure

#endif
