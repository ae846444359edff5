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
};

// The dump writer that also counts, for the page's summary, when asked to.
class CountingWriter final : public Trillo::DumpWriter {
public:
    CountingWriter(OrbT::ByteSink& sink, bool counting) : DumpWriter(sink), counting_(counting) {}

    const Counts* counts() const { return counting_ ? &counts_ : nullptr; }

    void onHeader(std::int32_t voices, std::int32_t division) override {
        counts_.voices = voices;
        counts_.division = division;
        DumpWriter::onHeader(voices, division);
    }
    void onBeginSection(std::int32_t track, std::string_view name) override {
        ++counts_.sections;
        DumpWriter::onBeginSection(track, name);
    }
    void onField(std::int32_t track, std::string_view section, std::string_view key, std::string_view value) override {
        ++counts_.fields;
        DumpWriter::onField(track, section, key, value);
    }
    void onLines(std::int32_t track, std::string_view section, std::string_view lines) override {
        if (counting_)
            Liedwerk::ParseVSQs::eachLine(
                lines, [this](std::string_view) { ++counts_.sections; },
                [this](std::string_view, std::string_view) { ++counts_.fields; });
        DumpWriter::onLines(track, section, lines);
    }

private:
    bool counting_;
    Counts counts_;
};

// The tool's dump, gathered in memory.  The writer is flushed at the end,
// after a failure too, so the output holds what the tool would have written.
class DumpSession final : public Session {
public:
    explicit DumpSession(bool counted) : writer_(sink_, counted) {}

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

private:
    OrbT::StringSink sink_;
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
        char bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value); // WebAssembly is little-endian
        log.append(bytes, sizeof value);
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

// A new session, or null when memory is short.  A dump session keeps counts
// (trillo_counts) when counted is not 0.
// Null when memory is short: a session's members allocate too.
EMSCRIPTEN_KEEPALIVE Session* trillo_open_dump(int counted) {
    try {
        return new DumpSession(counted != 0);
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

EMSCRIPTEN_KEEPALIVE void trillo_clear_output(Session* session) { session->output().clear(); }

EMSCRIPTEN_KEEPALIVE void trillo_close(Session* session) { delete session; }

} // extern "C"
