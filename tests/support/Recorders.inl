// Template definitions of Recorders.h.
#pragma once

namespace Fixture {

template <class Parser, class Recorder>
std::string feedPieces(const Bytes& input, const std::vector<std::size_t>& cuts) {
    Recorder recorder;
    std::string outcome;
    try {
        Parser parser(recorder);
        std::size_t at = 0;
        bool more = true;
        auto cut = cuts.begin();
        while (more && at < input.size()) {
            const std::size_t end = cut == cuts.end() ? input.size() : *cut++;
            OrbSMF::ByteRange range{input.data() + at, static_cast<std::uint32_t>(end - at)};
            more = parser.feed(range);
            if (more && range.count != 0) return recorder.log + "feed returned true with bytes left\n";
            if (!more) outcome = "done rest=" + std::to_string(range.count + (input.size() - end)) + "\n";
            at = end;
        }
        if (more) {
            OrbSMF::ByteRange empty{};
            outcome = parser.feed(empty) ? "wants more\n" : "done rest=0\n";
        }
    } catch (...) {
        outcome = "throws " + exceptionName() + "\n";
    }
    return recorder.log + outcome;
}

} // namespace Fixture
