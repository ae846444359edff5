// The whole reader and the dump writer: fed whole and fed in pieces, the dump
// and the exception must be the same, and nothing may crash, leak or read
// astray.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <liedwerk/ParseVSQ.h>
#include <orbt/ByteSink.h>
#include <trillo/DumpWriter.h>

#include "Cuts.h"
#include "Recorders.h"

namespace {

// The dump and the outcome of one feeding, cut before each offset in cuts.
std::string dump(const std::uint8_t* data, std::size_t size, const std::vector<std::size_t>& cuts) {
    OrbT::StringSink sink;
    Trillo::DumpWriter writer(sink);
    std::string outcome;
    try {
        Liedwerk::ParseVSQ reader(writer);
        std::size_t at = 0;
        bool more = true;
        auto cut = cuts.begin();
        while (more && at < size) {
            const std::size_t end = cut == cuts.end() ? size : *cut++;
            OrbSMF::ByteRange range{data + at, static_cast<std::uint32_t>(end - at)};
            more = reader.feed(range);
            if (more && range.count != 0) std::abort(); // true means the range was used up
            if (!more) outcome = "done, " + std::to_string(range.count + size - end) + " bytes after it";
            at = end;
        }
        if (more) {
            OrbSMF::ByteRange empty{};
            if (reader.feed(empty)) std::abort(); // the end of input either ends the SMF or throws
            outcome = "done";
        }
    } catch (...) {
        outcome = "throws " + Fixture::exceptionName();
    }
    writer.flush(); // the dump up to a failure, too
    return sink.text + "\n" + outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string whole = dump(data, size, {});
    const std::string split = dump(data, size, FuzzSupport::cutsFor(data, size));
    if (whole != split) std::abort();
    return 0;
}
