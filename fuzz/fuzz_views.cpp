// The VSQ reader's two receivers: the one with lengths (runs of field lines
// cut into fields) and the one with terminated strings must see the same
// calls and the same outcome on any input, whole or cut anywhere.
#include <cstdlib>

#include <liedwerk/ParseVSQ.h>

#include "Cuts.h"
#include "Recorders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using Fixture::feedPieces;
    const Fixture::Bytes input(data, data + size);
    const std::vector<std::size_t> cuts = FuzzSupport::cutsFor(data, size);
    const std::string terminated = feedPieces<Liedwerk::ParseVSQ, Fixture::VSQRecorder>(input, {});
    if (feedPieces<Liedwerk::ParseVSQ, Fixture::VSQViewRecorder>(input, {}) != terminated) std::abort();
    if (feedPieces<Liedwerk::ParseVSQ, Fixture::VSQViewRecorder>(input, cuts) != terminated) std::abort();
    if (feedPieces<Liedwerk::ParseVSQ, Fixture::VSQRecorder>(input, cuts) != terminated) std::abort();
    return 0;
}
