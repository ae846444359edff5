// The SMF parser alone: fed whole and fed in pieces, the calls and the
// outcome must be the same, and nothing may crash, leak or read astray.
#include <cstdlib>

#include <orbsmf/Parser.h>

#include "Cuts.h"
#include "Recorders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Fixture::Bytes input(data, data + size);
    const std::string whole = Fixture::feedPieces<OrbSMF::Parser, Fixture::SMFRecorder>(input, {});
    const std::string split =
        Fixture::feedPieces<OrbSMF::Parser, Fixture::SMFRecorder>(input, FuzzSupport::cutsFor(data, size));
    if (whole != split) std::abort();
    return 0;
}
