#include <trillo/DumpReader.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <trillo/DumpFormat.h>

namespace Trillo {

namespace {

using Liedwerk::WriteVSQs::Content;
using Liedwerk::WriteVSQs::describe;
using Liedwerk::WriteVSQs::Problem;
using Liedwerk::WriteVSQs::TempoEvent;

constexpr auto kMaxVoices = static_cast<std::uint32_t>(Liedwerk::WriteVSQs::kMaxVoices);
constexpr auto kMaxDivision = static_cast<std::uint32_t>(Liedwerk::WriteVSQs::kMaxDivision);
constexpr std::size_t kNumVoicesLine = 2;
constexpr std::size_t kDivisionLine = 3;
constexpr std::size_t kTempoMapLine = 4; // the first tempo map event is on the line after it

using DumpFormat::kInfinite;
using DumpFormat::kTempo;
using DumpFormat::kTime;
using DumpFormat::kTimeSuffix;

constexpr char kTempoMapSyntax[] = "expected tick=Tempo:bpm or tick=Time:numerator/denominator:24:8";

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A decimal of digits alone, as trillo prints it (no leading zero), at most
// max; none for anything else.
std::optional<std::uint32_t> number(std::string_view text, std::uint32_t max = UINT32_MAX) {
    if (!allDigits(text) || (text.size() > 1 && text[0] == '0')) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > max) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// "digits.dd", the form "%.2f" gives a positive number.
bool isTwoDecimals(std::string_view text) {
    const std::size_t point = text.find('.');
    return point != std::string_view::npos && point + 3 == text.size() && allDigits(text.substr(0, point)) &&
           allDigits(text.substr(point + 1));
}

std::string heading(std::size_t track) {
    char number[24];
    std::snprintf(number, sizeof number, "%02zu]", track);
    return std::string(DumpFormat::kTrack) + number;
}

std::size_t lineAt(std::string_view dump, std::size_t offset) {
    return 1 +
           static_cast<std::size_t>(std::count(dump.begin(), dump.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

// Reads one dump front to back, line by line; each step returns false once
// it has recorded a fault.
class Reader {
public:
    Reader(std::string_view dump, Content& content) : dump_(dump), content_(content) {}

    bool read() { return readMaster() && readTempoMap() && readVoices(); }

    // A fault at the end of a dump whose last line lacks its newline lies
    // after that line, as it does when the newline is there.
    DumpFault fault() const {
        const bool afterUnendedLine = faultOffset_ == dump_.size() && !dump_.empty() && dump_.back() != '\n';
        return {lineAt(dump_, faultOffset_) + (afterUnendedLine ? 1 : 0), faultWhat_};
    }

private:
    // Takes the next line into line_ (without its "\n") and notes where it
    // starts; false at the end of the dump.
    bool takeLine() {
        lineStart_ = at_;
        if (at_ >= dump_.size()) return false;
        const std::size_t end = std::min(dump_.find('\n', at_), dump_.size());
        line_ = dump_.substr(at_, end - at_);
        at_ = end == dump_.size() ? end : end + 1; // a last line may lack its newline
        return true;
    }

    bool fail(std::size_t offset, std::string what) {
        faultOffset_ = std::min(offset, dump_.size());
        faultWhat_ = std::move(what);
        return false;
    }

    bool failHere(std::string what) { return fail(lineStart_, std::move(what)); }

    bool readMaster() {
        if (!takeLine() || line_ != DumpFormat::kMaster) return failHere("the dump must begin with the line [Master]");
        std::optional<std::uint32_t> voices;
        if (takeLine() && startsWith(line_, DumpFormat::kNumVoices))
            voices = number(line_.substr(DumpFormat::kNumVoices.size()), kMaxVoices);
        if (!voices || *voices == 0) return failHere("expected NumVoices= and the number of voice tracks, 1 to 65534");
        voices_ = *voices;
        std::optional<std::uint32_t> division;
        if (takeLine() && startsWith(line_, DumpFormat::kDivision))
            division = number(line_.substr(DumpFormat::kDivision.size()), kMaxDivision);
        if (!division) return failHere("expected Division= and the ticks per quarter note, 0 to 32767");
        content_.division = static_cast<std::int32_t>(*division);
        if (!takeLine() || line_ != DumpFormat::kTempoMap) return failHere("expected the line [TempoMap]");
        return true;
    }

    // Up to and with the blank line after the tempo map.
    bool readTempoMap() {
        while (takeLine()) {
            if (line_.empty()) return true;
            if (!readTempoMapLine()) return false;
        }
        return failHere("the dump ends in [TempoMap]: a blank line and the voice tracks must follow");
    }

    bool readTempoMapLine() {
        const std::size_t equals = line_.find('=');
        if (equals == std::string_view::npos || !allDigits(line_.substr(0, equals))) return failHere(kTempoMapSyntax);
        const std::optional<std::uint32_t> tick = number(line_.substr(0, equals));
        if (!tick) return failHere(DumpFormat::kTickOutOfRange);
        const std::string_view event = line_.substr(equals + 1);
        if (startsWith(event, kTempo)) return readTempo(*tick, event.substr(kTempo.size()));
        if (startsWith(event, kTime) && endsWith(event, kTimeSuffix))
            return readTimeSignature(*tick,
                                     event.substr(kTime.size(), event.size() - kTime.size() - kTimeSuffix.size()));
        return failHere(kTempoMapSyntax);
    }

    bool readTempo(std::uint32_t tick, std::string_view text) {
        std::uint32_t microseconds = 0;
        if (text != kInfinite) {
            const std::string copy(text);
            const double tempo = isTwoDecimals(text) ? std::strtod(copy.c_str(), nullptr) : 0;
            DumpFormat::TempoText printed;
            if (!isTwoDecimals(text) || DumpFormat::printTempo(tempo, printed) != text)
                return failHere("a tempo has two decimals, as in 120.00, or is inf");
            const std::optional<std::uint32_t> value = DumpFormat::microsecondsPerQuarter(tempo);
            if (!value) return failHere(DumpFormat::unprintableTempo(tempo));
            microseconds = *value;
        }
        content_.tempoMap.push_back(TempoEvent::tempo(tick, microseconds));
        return true;
    }

    // text: "numerator/denominator".
    bool readTimeSignature(std::uint32_t tick, std::string_view text) {
        const std::size_t slash = text.find('/');
        const std::optional<std::uint32_t> numerator = number(text.substr(0, slash));
        std::optional<std::uint32_t> denominator;
        if (slash != std::string_view::npos) denominator = number(text.substr(slash + 1));
        if (!numerator || !denominator) return failHere(kTempoMapSyntax);
        content_.tempoMap.push_back(TempoEvent::timeSignature(tick, *numerator, *denominator));
        return true;
    }

    // From the heading of the first voice track to the end of the dump.
    bool readVoices() {
        for (std::size_t track = 1;; ++track) { // a blank line was just taken
            const std::size_t blankLine = lineStart_;
            if (!takeLine()) {
                if (track > voices_) return fail(blankLine, "the dump ends with a blank line");
                return failHere(endsBefore(track));
            }
            if (track > voices_) return failHere("more voice tracks than NumVoices=" + std::to_string(voices_));
            if (line_ != heading(track)) return failHere("expected " + heading(track));
            if (!readText()) return false;
            if (!takeLine()) { // the text runs to the end of the dump
                if (track < voices_) return failHere(endsBefore(track + 1));
                return true;
            }
        }
    }

    // A voice's text, up to the blank line after it or the end of the dump.
    // Its lines are Liedwerk::WriteVSQ's to check.
    bool readText() {
        const std::size_t size = DumpFormat::textLength(dump_.substr(at_));
        if (size == 0) return failHere(describe(Problem::EmptyText)); // on the heading
        content_.voices.push_back(dump_.substr(at_, size));
        at_ += size;
        return true;
    }

    std::string endsBefore(std::size_t track) const {
        return "the dump ends before " + heading(track) + " (NumVoices=" + std::to_string(voices_) + ")";
    }

    std::string_view dump_;
    Content& content_;
    std::size_t at_ = 0;        // where the next line begins
    std::size_t lineStart_ = 0; // where line_ begins
    std::string_view line_;
    std::size_t voices_ = 0;
    std::size_t faultOffset_ = 0;
    std::string faultWhat_;
};

// Where the heading of a voice track read by readDump lies: on the line
// before its text.
std::size_t headingOffset(std::string_view dump, std::string_view text) {
    return static_cast<std::size_t>(text.data() - dump.data()) - 1;
}

} // namespace

std::optional<DumpFault> readDump(std::string_view dump, Content& content) {
    Reader reader(dump, content);
    if (reader.read()) return std::nullopt;
    // What was read before the fault comes first, problems of the content
    // too (but that the voices are missing).
    const Liedwerk::WriteVSQ partial(content);
    const Problem& problem = partial.problem();
    if (problem.kind != Problem::None && problem.kind != Problem::NoVoice) return locateProblem(dump, content, problem);
    return reader.fault();
}

DumpFault locateProblem(std::string_view dump, const Content& content, const Problem& problem) {
    std::size_t line = 1;
    switch (problem.kind) {
    case Problem::None:
        break;
    case Problem::DivisionOutOfRange:
        line = kDivisionLine;
        break;
    case Problem::NoVoice:
    case Problem::TooManyVoices:
        line = kNumVoicesLine;
        break;
    case Problem::TempoOutOfRange:
    case Problem::NumeratorOutOfRange:
    case Problem::DenominatorNotPowerOfTwo:
    case Problem::TickBeforePrevious:
    case Problem::StepTooLong:
        line = kTempoMapLine + 1 + problem.index;
        break;
    case Problem::TempoMapTooLong:
        line = kTempoMapLine;
        break;
    case Problem::EmptyText:
    case Problem::TrackTooLong:
        line = lineAt(dump, headingOffset(dump, content.voices[problem.index]));
        break;
    case Problem::ZeroByte:
    case Problem::EmptyLine:
    case Problem::FieldBeforeSection:
    case Problem::MalformedSection:
    case Problem::MalformedField: {
        const std::string_view text = content.voices[problem.index];
        line = lineAt(dump, static_cast<std::size_t>(text.data() - dump.data()) + problem.offset);
        break;
    }
    }
    return {line, describe(problem.kind)};
}

} // namespace Trillo
