// The WebAssembly side of trillo's JavaScript module: sessions that read one
// file each, fed piece by piece from JavaScript (web/src/api.js), through a
// handful of plain C functions.
//
//   session = trillo_open_dump(counted) or trillo_open_read()
//   trillo_feed(session, bytes, count)    as often as there are pieces
//   trillo_output(session) / trillo_output_size(session) / trillo_clear_output(session)
//                                         what the pieces produced so far
//   trillo_finish(session)                at the end of the input
//   trillo_failure(session)               the tool's message, or null
//   trillo_counts(session)                a dump's summary: voices, division, sections, fields
//   trillo_outline(session) / trillo_outline_size(session)
//                                         a dump's headings and tempo map, for the page
//   trillo_close(session)
//
// A dump session's output is the tool's standard output; a read session's is
// a log of records (below) that the JavaScript side turns into objects.
// Every function catches what it raises: an exception never crosses into
// JavaScript.
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include <emscripten/emscripten.h>

#include <orbt/ByteSink.h>
#include <trillo/DumpWriter.h>
#include <trillo/Errors.h>
#include <trillo/ReadLoop.h>

namespace {

using Liedwerk::ParseVSQs::ViewHooks;

// Feeds one file to the read loop, in the pieces that JavaScript hands over,
// and keeps the first failure's message.
class Feeder {
public:
    explicit Feeder(ViewHooks& hooks) : loop_(hooks) {}

    void feed(const std::uint8_t* bytes, std::uint32_t count) {
        guarded([&] { loop_.feed(bytes, count); });
    }
    // The end of the input: a file whose SMF has not ended fails here.
    void finish() {
        guarded([&] { loop_.finish(); });
    }

    const char* failure() const { return failure_; }
    void fail(const char* message) {
        if (failure_ == nullptr) failure_ = message;
    }

private:
    template <class Step>
    void guarded(Step&& step) {
        if (failure_ != nullptr) return;
        try {
            step();
        } catch (...) {
            failure_ = Trillo::currentErrorMessage();
        }
    }

    Trillo::ReadLoop loop_;
    const char* failure_ = nullptr;
};

// What the page's summary line tells: the header's numbers, and the sections
// and fields passed on so far.
struct Counts {
    std::int32_t voices = 0;
    std::int32_t division = 0;
    std::uint64_t sections = 0;
    std::uint64_t fields = 0;
};

// What JavaScript holds: a reader and the bytes its events produce.
class Session {
public:
    virtual ~Session() = default;
    virtual void feed(const std::uint8_t* bytes, std::uint32_t count) = 0;
    virtual void finish() = 0;
    virtual const char* failure() const = 0;
    virtual std::string& output() = 0;
    virtual const Counts* counts() const { return nullptr; }
    virtual const std::string* outline() const { return nullptr; }
};

// Appends to a string that JavaScript empties now and then, and counts every
// byte it ever took: the offset in the whole output where the next byte goes.
class CountingSink final : public OrbT::ByteSink {
public:
    void write(const char* bytes, std::size_t count) override {
        text.append(bytes, count);
        total += count;
    }

    std::string text;
    std::uint64_t total = 0;
};

// Little-endian numbers and counted texts appended to a log (WebAssembly is
// little-endian, so the bytes are the value's own).
template <typename Number>
void putNumber(std::string& log, Number value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    log.append(bytes, sizeof value);
}

// The outline of a dump, for the page: where each heading stands in the
// output and how many fields each section has, and the tempo map.  Records,
// each a kind byte and its fields:
//
//   kMaster, kTempoMap, kTrack   float64 offset of the heading line
//   kSection                     float64 offset of the heading line, uint32 fields
//   kTempo                       uint32 tick, float64 quarter notes per minute
//   kTimeSignature               uint32 tick, uint32 numerator, uint32 denominator
//
// A section's field count is written in place as its fields come.
class Outline {
public:
    enum Kind : std::uint8_t { kMaster = 1, kTempoMap, kTrack, kSection, kTempo, kTimeSignature };

    std::string log;

    void heading(Kind kind, std::uint64_t offset) {
        log.push_back(static_cast<char>(kind));
        putNumber(log, static_cast<double>(offset));
        fieldsAt_ = std::string::npos;
    }
    void section(std::uint64_t offset) {
        heading(kSection, offset);
        fieldsAt_ = log.size();
        fields_ = 0;
        putNumber(log, fields_);
    }
    void field() {
        if (fieldsAt_ == std::string::npos) return;
        ++fields_;
        std::memcpy(&log[fieldsAt_], &fields_, sizeof fields_);
    }
    void tempo(std::uint32_t tick, double tempo) {
        log.push_back(static_cast<char>(kTempo));
        putNumber(log, tick);
        putNumber(log, tempo);
    }
    void timeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) {
        log.push_back(static_cast<char>(kTimeSignature));
        putNumber(log, tick);
        putNumber(log, numerator);
        putNumber(log, denominator);
    }

private:
    std::size_t fieldsAt_ = std::string::npos;
    std::uint32_t fields_ = 0;
};

// The dump writer that also counts, for the page's summary, and notes the
// outline, when asked to.  To know where a heading lands in the output, it
// hands the writer's buffer to the sink before the heading is written.
class CountingWriter final : public Trillo::DumpWriter {
public:
    CountingWriter(CountingSink& sink, bool counting, bool outlining)
        : DumpWriter(sink), sink_(sink), counting_(counting), outlining_(outlining) {}

    const Counts* counts() const { return counting_ ? &counts_ : nullptr; }
    const std::string* outline() const { return outlining_ ? &outline_.log : nullptr; }

    void onHeader(std::int32_t voices, std::int32_t division) override {
        counts_.voices = voices;
        counts_.division = division;
        DumpWriter::onHeader(voices, division);
    }
    // The master block's first line is its heading, and its last one the
    // tempo map's.
    void onBeginTempoMap() override {
        if (!outlining_) return DumpWriter::onBeginTempoMap();
        outline_.heading(Outline::kMaster, offset());
        DumpWriter::onBeginTempoMap();
        const std::uint64_t end = offset();
        const std::string& text = sink_.text;
        const std::size_t lineStart = text.rfind('\n', text.size() - 2) + 1; // npos + 1 is 0
        outline_.heading(Outline::kTempoMap, end - (text.size() - lineStart));
    }
    void onTempo(std::uint32_t tick, double tempo) override {
        if (outlining_) outline_.tempo(tick, tempo);
        DumpWriter::onTempo(tick, tempo);
    }
    void onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) override {
        if (outlining_) outline_.timeSignature(tick, numerator, denominator);
        DumpWriter::onTimeSignature(tick, numerator, denominator);
    }
    void onBeginTrack(std::int32_t track) override {
        if (outlining_) outline_.heading(Outline::kTrack, offset());
        DumpWriter::onBeginTrack(track);
    }
    void onBeginSection(std::int32_t track, std::string_view name) override {
        ++counts_.sections;
        if (outlining_) outline_.section(offset());
        DumpWriter::onBeginSection(track, name);
    }
    void onField(std::int32_t track, std::string_view section, std::string_view key, std::string_view value) override {
        ++counts_.fields;
        if (outlining_) outline_.field();
        DumpWriter::onField(track, section, key, value);
    }
    // A run's section lines are "[name]": the heading begins one byte before
    // the name that eachLine points at.
    void onLines(std::int32_t track, std::string_view section, std::string_view lines) override {
        if (outlining_) {
            const std::uint64_t base = offset();
            Liedwerk::ParseVSQs::eachLine(
                lines,
                [&](std::string_view name) {
                    ++counts_.sections;
                    outline_.section(base + static_cast<std::uint64_t>(name.data() - 1 - lines.data()));
                },
                [this](std::string_view, std::string_view) {
                    ++counts_.fields;
                    outline_.field();
                });
        } else if (counting_) {
            Liedwerk::ParseVSQs::eachLine(
                lines, [this](std::string_view) { ++counts_.sections; },
                [this](std::string_view, std::string_view) { ++counts_.fields; });
        }
        DumpWriter::onLines(track, section, lines);
    }

private:
    // Where the next byte of the output goes.
    std::uint64_t offset() {
        flush();
        return sink_.total;
    }

    CountingSink& sink_;
    bool counting_;
    bool outlining_;
    Counts counts_;
    Outline outline_;
};

// The tool's dump, gathered in memory.  The writer is flushed at the end,
// after a failure too, so the output holds what the tool would have written.
class DumpSession final : public Session {
public:
    DumpSession(bool counted, bool outlined) : writer_(sink_, counted, outlined) {}

    void feed(const std::uint8_t* bytes, std::uint32_t count) override { feeder_.feed(bytes, count); }
    void finish() override {
        feeder_.finish();
        try {
            writer_.flush();
        } catch (...) {
            feeder_.fail(Trillo::currentErrorMessage());
        }
    }
    const char* failure() const override { return feeder_.failure(); }
    std::string& output() override { return sink_.text; }
    const Counts* counts() const override { return writer_.counts(); }
    const std::string* outline() const override { return writer_.outline(); }

private:
    CountingSink sink_;
    CountingWriter writer_;
    Feeder feeder_{writer_};
};

// The reader's events as a log of records, each a kind byte and its fields,
// numbers little-endian, texts as a 32-bit length and the bytes:
//
//   kHeader         int32 voices, int32 division
//   kTempo          uint32 tick, float64 quarter notes per minute
//   kTimeSignature  uint32 tick, uint32 numerator, uint32 denominator
//   kTrack          (a voice track begins)
//   kSection        text name
//   kField          text key, text value
//
// Like the dump, it keeps Trillo::SectionRule.
class Recorder final : public ViewHooks {
public:
    enum Kind : std::uint8_t { kHeader = 1, kTempo, kTimeSignature, kTrack, kSection, kField };

    std::string log;

    void onHeader(std::int32_t voices, std::int32_t division) override {
        put(kHeader);
        put(voices);
        put(division);
    }
    void onEndFile() override {}
    void onBeginTempoMap() override {}
    void onEndTempoMap() override {}
    void onTempo(std::uint32_t tick, double tempo) override {
        put(kTempo);
        put(tick);
        put(tempo);
    }
    void onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) override {
        put(kTimeSignature);
        put(tick);
        put(numerator);
        put(denominator);
    }
    void onBeginTrack(std::int32_t) override {
        put(kTrack);
        sections_.beginTrack();
    }
    void onEndTrack(std::int32_t) override { sections_.endTrack(); }
    void onBeginSection(std::int32_t, std::string_view name) override {
        put(kSection);
        putText(name);
        sections_.section();
    }
    void onEndSection(std::int32_t, std::string_view) override {}
    void onField(std::int32_t, std::string_view, std::string_view key, std::string_view value) override {
        put(kField);
        putText(key);
        putText(value);
    }

private:
    template <typename Number>
    void put(Number value) {
        putNumber(log, value);
    }
    void putText(std::string_view text) {
        put(static_cast<std::uint32_t>(text.size()));
        log.append(text);
    }

    Trillo::SectionRule sections_;
};

class ReadSession final : public Session {
public:
    void feed(const std::uint8_t* bytes, std::uint32_t count) override { feeder_.feed(bytes, count); }
    void finish() override { feeder_.finish(); }
    const char* failure() const override { return feeder_.failure(); }
    std::string& output() override { return recorder_.log; }

private:
    Recorder recorder_;
    Feeder feeder_{recorder_};
};

} // namespace

extern "C" {

// A new session, or null when memory is short (a session's members allocate
// too).  A dump session keeps counts (trillo_counts) when flags has
// kCounted, and an outline (trillo_outline) when it has kOutlined.
enum OpenFlags { kCounted = 1, kOutlined = 2 };
EMSCRIPTEN_KEEPALIVE Session* trillo_open_dump(int flags) {
    try {
        return new DumpSession((flags & kCounted) != 0, (flags & kOutlined) != 0);
    } catch (...) {
        return nullptr;
    }
}
EMSCRIPTEN_KEEPALIVE Session* trillo_open_read() {
    try {
        return new ReadSession;
    } catch (...) {
        return nullptr;
    }
}

EMSCRIPTEN_KEEPALIVE void trillo_feed(Session* session, const std::uint8_t* bytes, std::uint32_t count) {
    session->feed(bytes, count);
}

EMSCRIPTEN_KEEPALIVE void trillo_finish(Session* session) { session->finish(); }

// The tool's message without "Error: ", ending in a newline; null while
// nothing has failed.
EMSCRIPTEN_KEEPALIVE const char* trillo_failure(Session* session) { return session->failure(); }

EMSCRIPTEN_KEEPALIVE const char* trillo_output(Session* session) { return session->output().data(); }
EMSCRIPTEN_KEEPALIVE std::uint32_t trillo_output_size(Session* session) {
    return static_cast<std::uint32_t>(session->output().size());
}
// A counted dump session's counts so far (see Counts); null for the others.
EMSCRIPTEN_KEEPALIVE const Counts* trillo_counts(Session* session) { return session->counts(); }

// An outlined dump session's outline log so far (see Outline), whole: it is
// kept until the session closes.  Null and 0 for the others.
EMSCRIPTEN_KEEPALIVE const char* trillo_outline(Session* session) {
    const std::string* log = session->outline();
    return log == nullptr ? nullptr : log->data();
}
EMSCRIPTEN_KEEPALIVE std::uint32_t trillo_outline_size(Session* session) {
    const std::string* log = session->outline();
    return log == nullptr ? 0 : static_cast<std::uint32_t>(log->size());
}

EMSCRIPTEN_KEEPALIVE void trillo_clear_output(Session* session) { session->output().clear(); }

EMSCRIPTEN_KEEPALIVE void trillo_close(Session* session) { delete session; }

} // extern "C"
