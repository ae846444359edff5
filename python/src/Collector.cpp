#include "Collector.h"

#include <cstring>

#include <trillo/Errors.h>

namespace TrilloPy {

Span Collector::keep(std::string_view bytes) {
    const Span span{out_.text.size(), bytes.size()};
    out_.text.append(bytes);
    return span;
}

void Collector::onHeader(std::int32_t voices, std::int32_t division) {
    out_.voices = voices;
    out_.division = division;
}

void Collector::onTempo(std::uint32_t tick, double tempo) {
    out_.tempoMap.push_back(TempoMapEvent{tick, true, tempo, 0, 0});
}

void Collector::onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) {
    out_.tempoMap.push_back(TempoMapEvent{tick, false, 0.0, numerator, denominator});
}

void Collector::onBeginTrack(std::int32_t) { out_.trackStarts.push_back(out_.sections.size()); }

void Collector::onEndTrack(std::int32_t) {
    if (out_.sections.size() == out_.trackStarts.back()) throw Trillo::Ex::NoText();
}

void Collector::onBeginSection(std::int32_t, std::string_view name) {
    out_.sections.push_back(CollectedSection{keep(name), out_.fields.size()});
}

void Collector::onField(std::int32_t, std::string_view, std::string_view key, std::string_view value) {
    const Span keySpan = keep(key);
    out_.fields.emplace_back(keySpan, keep(value));
}

// The run is kept whole, "[", "]", "=" and "\n" included, and cut where it
// lies: its lines are checked, a section line "[name]", a field line with an
// "=" after its first byte.
void Collector::onLines(std::int32_t, std::string_view, std::string_view lines) {
    const std::size_t base = keep(lines).offset;
    const char* const start = lines.data();
    std::size_t at = 0;
    while (at != lines.size()) {
        const auto* newline = static_cast<const char*>(std::memchr(start + at, '\n', lines.size() - at));
        const auto end = static_cast<std::size_t>(newline - start);
        if (start[at] == '[') {
            out_.sections.push_back(CollectedSection{Span{base + at + 1, end - at - 2}, out_.fields.size()});
        } else {
            const auto* equals = static_cast<const char*>(std::memchr(start + at, '=', end - at));
            const auto split = static_cast<std::size_t>(equals - start);
            out_.fields.emplace_back(Span{base + at, split - at}, Span{base + split + 1, end - split - 1});
        }
        at = end + 1;
    }
}

} // namespace TrilloPy
