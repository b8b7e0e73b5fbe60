#include "peers.h"

namespace measure {

// Each MEASURE_HAVE_* is defined by the build when pkg-config found the peer.
PeerSet Peers(RatePair rates) {
    PeerSet set;
    auto add = [&set](std::vector<ConverterKind> kinds) {
        for (ConverterKind& kind : kinds) set.kinds.push_back(std::move(kind));
    };
#ifdef MEASURE_HAVE_SPEEXDSP
    add(SpeexPeers(rates));
#else
    set.missing.push_back("speexdsp");
#endif
#ifdef MEASURE_HAVE_SAMPLERATE
    add(SampleratePeers(rates));
#else
    set.missing.push_back("libsamplerate");
#endif
#ifdef MEASURE_HAVE_SOXR
    add(SoxrPeers(rates));
#else
    set.missing.push_back("soxr");
#endif
    (void)add;
    (void)rates;
    return set;
}

}  // namespace measure
