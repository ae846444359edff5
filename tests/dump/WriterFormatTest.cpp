// The dump writer assembles its lines by hand; the format strings stay their
// definition.  Every line must be byte for byte what snprintf makes of its
// format string, for many random arguments and the extreme ones; and a failing
// sink must throw at the event during which the writer's buffer runs over.
#include <trillo/DumpWriter.h>

#include <algorithm>
#include <cfloat>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <trillo/Errors.h>

namespace {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out(static_cast<std::size_t>(length), '\0');
    std::vsnprintf(&out[0], out.size() + 1, format, again);
    va_end(again);
    return out;
}

// One writer event and the bytes that its format strings give.
struct Case {
    std::string description;
    std::function<void(Trillo::DumpWriter&)> event;
    std::string expected;
};

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::uint32_t kUnsignedMax = std::numeric_limits<std::uint32_t>::max();

class CaseMaker {
public:
    explicit CaseMaker(std::uint32_t seed) : random_(seed) {}

    // A string of bytes 1 to 255: mostly short, sometimes empty, sometimes
    // longer than any line the writer assembles on its stack.
    std::string text() {
        const std::uint32_t kind = below(20);
        const std::uint32_t length = kind == 0 ? 0 : kind == 1 ? 100 + below(900) : 1 + below(24);
        std::string out;
        for (std::uint32_t i = 0; i < length; ++i) out += static_cast<char>(1 + below(255));
        return out;
    }

    std::int32_t integer() { return static_cast<std::int32_t>(random_()); }
    std::uint32_t unsignedInteger() { return static_cast<std::uint32_t>(random_()); }

    // Any bit pattern: finite values of every size, infinities, NaNs.
    double anyDouble() {
        const std::uint64_t bits = (std::uint64_t{random_()} << 32) | random_();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // A tempo as the reader computes it, from 1 to 2^24 - 1 microseconds.
    double tempo() { return 60000000.0 / (1 + below(0xFFFFFF)); }

    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(random_() % n); }

private:
    std::mt19937 random_;
};

Case field(const std::string& key, const std::string& value) {
    return {"onField key \"" + key + "\" value \"" + value + "\"",
            [key, value](Trillo::DumpWriter& w) { w.onField(0, "S", key.c_str(), value.c_str()); },
            format("%s=%s\n", key.c_str(), value.c_str())};
}

// A run of lines goes out as it stands.
Case lines(CaseMaker& make) {
    std::string run;
    for (std::uint32_t n = 1 + make.below(5); n != 0; --n) {
        std::string line = make.below(4) == 0 ? "[" + make.text() + "]" : make.text() + "=" + make.text();
        for (char& c : line)
            if (c == '\n') c = ' ';
        run += line + "\n";
    }
    return {"onLines \"" + run + "\"", [run](Trillo::DumpWriter& w) { w.onLines(0, "S", run); }, run};
}

Case section(const std::string& name) {
    return {"onBeginSection \"" + name + "\"", [name](Trillo::DumpWriter& w) { w.onBeginSection(0, name.c_str()); },
            format("[%s]\n", name.c_str())};
}

// index + 1 must not overflow: the reader's indexes are below 65535.
Case track(std::int32_t index) {
    return {"onBeginTrack " + std::to_string(index), [index](Trillo::DumpWriter& w) { w.onBeginTrack(index); },
            format("[Track%02d]\n", index + 1)};
}

Case master(std::int32_t voices, std::int32_t division) {
    return {"onBeginTempoMap after onHeader " + std::to_string(voices) + ", " + std::to_string(division),
            [voices, division](Trillo::DumpWriter& w) {
                w.onHeader(voices, division);
                w.onBeginTempoMap();
            },
            "[Master]\n" + format("NumVoices=%d\n", voices) + format("Division=%d\n", division) + "[TempoMap]\n"};
}

Case timeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) {
    return {"onTimeSignature " + std::to_string(tick) + ", " + std::to_string(numerator) + ", " +
                std::to_string(denominator),
            [=](Trillo::DumpWriter& w) { w.onTimeSignature(tick, numerator, denominator); },
            format("%u=Time:%u/%u:24:8\n", tick, numerator, denominator)};
}

Case tempo(std::uint32_t tick, double bpm) {
    return {"onTempo " + std::to_string(tick) + ", " + format("%a", bpm),
            [=](Trillo::DumpWriter& w) { w.onTempo(tick, bpm); }, format("%u=Tempo:%.2f\n", tick, bpm)};
}

Case blankLine() {
    return {"onEndTempoMap", [](Trillo::DumpWriter& w) { w.onEndTempoMap(); }, "\n"};
}

// The extreme arguments, then many random ones, all kinds mixed.
std::vector<Case> allCases() {
    std::vector<Case> cases;
    const std::string longText(5000, 'x');
    for (const std::string& key : {std::string(), std::string("k"), std::string("%s%d"), longText})
        for (const std::string& value : {std::string(), std::string("v"), std::string("a = [b]\r"), longText})
            cases.push_back(field(key, value));
    for (const std::string& name : {std::string(), std::string("S"), std::string("[x]"), longText})
        cases.push_back(section(name));
    for (std::int32_t index :
         {kIntMin, kIntMin + 1, -101, -100, -11, -10, -9, -2, -1, 0, 1, 8, 9, 10, 98, 99, 100, 65533, kIntMax - 1})
        cases.push_back(track(index));
    for (std::int32_t voices : {kIntMin, -1, 0, 1, 9, 10, kIntMax})
        for (std::int32_t division : {kIntMin, -480, 0, 480, 32767, kIntMax}) cases.push_back(master(voices, division));
    for (std::uint32_t tick : {0u, 1u, 9u, 10u, 4294967295u})
        for (std::uint32_t numerator : {0u, 4u, 255u, kUnsignedMax})
            for (std::uint32_t denominator : {0u, 1u, 8u, 2147483648u, kUnsignedMax})
                cases.push_back(timeSignature(tick, numerator, denominator));
    const double tempi[] = {0.0,
                            -0.0,
                            120.0,
                            60000000.0 / 0xFFFFFF,
                            60000000.0,
                            0.005,
                            0.015,
                            0.025,
                            0.125,
                            0.375,
                            1.005,
                            2.675,
                            133.335,
                            999.995,
                            1e15 + 0.005,
                            1e-300,
                            DBL_MIN,
                            DBL_TRUE_MIN,
                            DBL_MAX,
                            -DBL_MAX,
                            -133.335,
                            -0.004,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN(),
                            -std::numeric_limits<double>::quiet_NaN()};
    for (double bpm : tempi) cases.push_back(tempo(4294967295u, bpm));
    cases.push_back(blankLine());

    CaseMaker make(20240607);
    for (int i = 0; i < 40000; ++i) {
        switch (make.below(16)) {
        case 0:
            cases.push_back(section(make.text()));
            break;
        case 1:
            cases.push_back(
                track(make.below(3) == 0 ? make.integer() % kIntMax : static_cast<std::int32_t>(make.below(300))));
            break;
        case 2:
            cases.push_back(master(make.integer(), make.integer()));
            break;
        case 3:
            cases.push_back(timeSignature(make.unsignedInteger(), make.unsignedInteger(), make.unsignedInteger()));
            break;
        case 4:
            cases.push_back(tempo(make.unsignedInteger(), make.anyDouble()));
            break;
        case 5:
            cases.push_back(tempo(make.unsignedInteger(), make.tempo()));
            break;
        case 6:
            cases.push_back(blankLine());
            break;
        case 7:
            cases.push_back(lines(make));
            break;
        default:
            cases.push_back(field(make.text(), make.text()));
            break;
        }
    }
    return cases;
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all = allCases();
    return all;
}

// Writes every case and checks the bytes; a difference is reported with the
// case where it begins.
TEST(WriterFormat, EveryLineIsItsFormatString) {
    OrbT::StringSink sink;
    std::string expected;
    std::vector<std::size_t> starts;
    {
        Trillo::DumpWriter writer(sink);
        for (const Case& c : cases()) {
            starts.push_back(expected.size());
            expected += c.expected;
            c.event(writer);
        }
        writer.flush();
    }
    const std::string& written = sink.text;
    if (written == expected) return;
    std::size_t at = 0;
    while (at < written.size() && at < expected.size() && written[at] == expected[at]) ++at;
    std::size_t i = 0;
    while (i + 1 < starts.size() && starts[i + 1] <= at) ++i;
    ADD_FAILURE() << "the bytes differ from byte " << at << " on, in case " << i << ": " << cases()[i].description
                  << "\n  expected: " << cases()[i].expected
                  << "  written:  " << written.substr(starts[i], cases()[i].expected.size());
}

// A sink whose every write fails.
class FailingSink final : public OrbT::ByteSink {
public:
    void write(const char*, std::size_t) override { throw OrbT::Ex::CannotWriteFile(); }
};

// Nothing is kept back longer than the buffer: the first failure comes at the
// event during which the buffered bytes run over the buffer, and not before.
TEST(WriterFormat, AFailingSinkThrowsWhenTheBufferRunsOver) {
    std::size_t bytes = 0;
    std::size_t expected = cases().size();
    for (std::size_t i = 0; i < cases().size(); ++i) {
        bytes += cases()[i].expected.size();
        if (bytes > Trillo::DumpWriter::kBufferSize) {
            expected = i;
            break;
        }
    }
    ASSERT_LT(expected, cases().size()) << "the cases do not fill the buffer";
    FailingSink sink;
    Trillo::DumpWriter writer(sink);
    std::size_t failed = cases().size();
    for (std::size_t i = 0; i < cases().size() && failed == cases().size(); ++i) {
        try {
            cases()[i].event(writer);
        } catch (const OrbT::Ex::CannotWriteFile&) {
            failed = i;
        }
    }
    EXPECT_EQ(failed, expected);
    EXPECT_THROW(writer.onField(0, "S", "k", std::string(Trillo::DumpWriter::kBufferSize, 'v')),
                 OrbT::Ex::CannotWriteFile); // larger than the buffer: straight to the sink
}

} // namespace
