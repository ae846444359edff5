// A receiver that throws from each of its calls in turn, at both layers: the
// exception leaves feed unchanged, no call follows it, a further feed throws
// the same again without a call, and once the parser is destroyed nothing
// that it allocated is left.  Only the public headers.
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include <liedwerk/ParseVSQ.h>
#include <orbsmf/Parser.h>

#include "Recorders.h"

// Every block that operator new hands out in this program, counted.
namespace {
long liveBlocks = 0;
} // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    ++liveBlocks;
    return block;
}

void operator delete(void* block) noexcept {
    if (block == nullptr) return;
    --liveBlocks;
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace {

using namespace Fixture;

// What the receiver throws: a type of its own that carries the call's
// number, an exception of the layers' own tree (which they catch inside for
// their number fields), and the one that running out of memory throws.
enum class Kind { Own, LayersOwn, OutOfMemory };
const Kind kKinds[] = {Kind::Own, Kind::LayersOwn, Kind::OutOfMemory};

struct Thrown {
    int call;
};

// Counts the calls and throws from the throwAt-th (1 for the first; 0 never).
class Thrower {
public:
    Thrower(Kind kind, int throwAt) : mostBlocks(liveBlocks), kind_(kind), throwAt_(throwAt) {}

    void call() {
        if (liveBlocks > mostBlocks) mostBlocks = liveBlocks;
        if (++calls != throwAt_) return;
        switch (kind_) {
        case Kind::Own:
            throw Thrown{calls};
        case Kind::LayersOwn:
            throw OrbT::Ex::ParseError();
        case Kind::OutOfMemory:
            throw std::bad_alloc();
        }
    }

    int calls = 0;
    long mostBlocks = 0; // the most blocks live at a call

private:
    Kind kind_;
    int throwAt_;
};

class SMFThrower final : public OrbSMF::Parsers::Hooks, public Thrower {
public:
    using Thrower::Thrower;
    void onHeaderChunk(const OrbSMF::SMFHeader&) override { call(); }
    void onEndOfSMF() override { call(); }
    void onBeginHeaderExtra(std::uint32_t) override { call(); }
    void onEndHeaderExtra() override { call(); }
    void onHeaderExtraBytes(const std::uint8_t*, std::uint32_t) override { call(); }
    void onBeginTrackChunk(std::int32_t, std::uint32_t) override { call(); }
    void onEndTrackChunk(std::int32_t) override { call(); }
    void onTrackEvent(std::int32_t, const OrbSMF::SMFEvent&) override { call(); }
};

// The ViewHooks calls that both view receivers make.
template <class Base>
class ViewThrowerCalls : public Base, public Thrower {
public:
    using Thrower::Thrower;
    void onHeader(std::int32_t, std::int32_t) override { call(); }
    void onEndFile() override { call(); }
    void onBeginTempoMap() override { call(); }
    void onEndTempoMap() override { call(); }
    void onTempo(std::uint32_t, double) override { call(); }
    void onTimeSignature(std::uint32_t, std::uint32_t, std::uint32_t) override { call(); }
    void onBeginTrack(std::int32_t) override { call(); }
    void onEndTrack(std::int32_t) override { call(); }
    void onBeginSection(std::int32_t, std::string_view) override { call(); }
    void onEndSection(std::int32_t, std::string_view) override { call(); }
    void onField(std::int32_t, std::string_view, std::string_view, std::string_view) override { call(); }
};

// Runs of lines come through the default onLines, which cuts them into
// single calls.
using ViewThrower = ViewThrowerCalls<Liedwerk::ParseVSQs::ViewHooks>;

// Runs of lines come whole.
class RunThrower final : public ViewThrowerCalls<Liedwerk::ParseVSQs::ViewHooks> {
public:
    using ViewThrowerCalls::ViewThrowerCalls;
    void onLines(std::int32_t, std::string_view, std::string_view) override { call(); }
};

class StringThrower final : public Liedwerk::ParseVSQs::Hooks, public Thrower {
public:
    using Thrower::Thrower;
    void onHeader(std::int32_t, std::int32_t) override { call(); }
    void onEndFile() override { call(); }
    void onBeginTempoMap() override { call(); }
    void onEndTempoMap() override { call(); }
    void onTempo(std::uint32_t, double) override { call(); }
    void onTimeSignature(std::uint32_t, std::uint32_t, std::uint32_t) override { call(); }
    void onBeginTrack(std::int32_t) override { call(); }
    void onEndTrack(std::int32_t) override { call(); }
    void onBeginSection(std::int32_t, const char*) override { call(); }
    void onEndSection(std::int32_t, const char*) override { call(); }
    void onField(std::int32_t, const char*, const char*, const char*) override { call(); }
};

enum class End { Finished, Own, LayersOwn, OutOfMemory, Other };

// How a step ended, and the call number that an exception of our own carries.
template <class Step>
End endOf(Step step, int& thrownCall) {
    try {
        step();
        return End::Finished;
    } catch (const Thrown& thrown) {
        thrownCall = thrown.call;
        return End::Own;
    } catch (const OrbT::Ex::ParseError&) {
        return End::LayersOwn;
    } catch (const std::bad_alloc&) {
        return End::OutOfMemory;
    } catch (...) {
        return End::Other;
    }
}

struct Outcome {
    End end = End::Other;
    int thrownCall = 0; // of Thrown
    int calls = 0;
    End again = End::Other; // a further feed after the exception
    int againThrownCall = 0;
    int callsAgain = 0; // calls made by that feed
    long held = 0;      // the most blocks that the parser held at a call
    long leaked = 0;    // blocks still live after the parser and its receiver are gone
};

// Feeds input cut before each offset in cuts, then the empty range while the
// parser wants more; after an exception, feeds the whole input once more.
// Nothing is allocated here between the two counts but by the parser.
template <class Parser, class Receiver>
Outcome feed(const Bytes& input, const std::vector<std::size_t>& cuts, Kind kind, int throwAt) {
    Outcome outcome;
    const long before = liveBlocks;
    {
        Receiver receiver(kind, throwAt);
        Parser parser(receiver);
        outcome.end = endOf(
            [&] {
                std::size_t at = 0;
                bool more = true;
                for (std::size_t i = 0; more && at < input.size(); ++i) {
                    const std::size_t end = i < cuts.size() ? cuts[i] : input.size();
                    OrbT::ByteRange range{input.data() + at, static_cast<std::uint32_t>(end - at)};
                    more = parser.feed(range);
                    at = end;
                }
                OrbT::ByteRange empty{};
                if (more) parser.feed(empty);
            },
            outcome.thrownCall);
        outcome.calls = receiver.calls;
        if (outcome.end != End::Finished) {
            OrbT::ByteRange all{input.data(), static_cast<std::uint32_t>(input.size())};
            outcome.again = endOf([&] { parser.feed(all); }, outcome.againThrownCall);
            outcome.callsAgain = receiver.calls - outcome.calls;
        }
        outcome.held = receiver.mostBlocks - before;
    }
    outcome.leaked = liveBlocks - before;
    return outcome;
}

End expectedEnd(Kind kind) {
    switch (kind) {
    case Kind::Own:
        return End::Own;
    case Kind::LayersOwn:
        return End::LayersOwn;
    case Kind::OutOfMemory:
        return End::OutOfMemory;
    }
    return End::Other;
}

// Whole, one byte per range, and a few random cuts.
std::vector<std::vector<std::size_t>> someCuts(std::size_t size) { return splitsOf(size, 0, 4); }

template <class Parser, class Receiver>
void expectEveryThrowPassesThrough(const Bytes& input) {
    const Outcome clean = feed<Parser, Receiver>(input, {}, Kind::Own, 0);
    ASSERT_EQ(clean.end, End::Finished);
    ASSERT_GE(clean.calls, 20);
    EXPECT_GT(clean.held, 0) << "the parser allocates nothing that a leak could keep";
    EXPECT_EQ(clean.leaked, 0);
    for (const auto& cuts : someCuts(input.size())) {
        for (Kind kind : kKinds) {
            for (int call = 1; call <= clean.calls; ++call) {
                const Outcome o = feed<Parser, Receiver>(input, cuts, kind, call);
                const bool right = o.end == expectedEnd(kind) && (kind != Kind::Own || o.thrownCall == call) &&
                                   o.calls == call && o.again == o.end && o.againThrownCall == o.thrownCall &&
                                   o.callsAgain == 0 && o.leaked == 0;
                if (right) continue;
                ADD_FAILURE() << "thrown from call " << call << " of " << clean.calls << " (kind "
                              << static_cast<int>(kind) << "), fed " << cuts.size() + 1 << " pieces: ended as "
                              << static_cast<int>(o.end) << " after " << o.calls << " calls; fed again, ended as "
                              << static_cast<int>(o.again) << " after " << o.callsAgain << " more calls; " << o.leaked
                              << " blocks left";
                return;
            }
        }
    }
}

Track master() { return Track().tempo(0, 500000).timeSignature(0, 4, 2).tempo(960, 400000).endOfTrack(); }

TEST(ThrowingReceiver, SMFParser) {
    Header header;
    header.extra = {1, 2, 3, 4, 5};
    const Track events = Track()
                             .note(0, 60)
                             .running(10, 62, 0)
                             .sysex(5, std::string(40, 's'))
                             .text(0, "hello")
                             .channel(3, 0xC0, 5)
                             .endOfTrack();
    const Bytes input = smf(header, {master(), events, Track().endOfTrack(), events});
    expectEveryThrowPassesThrough<OrbSMF::Parser, SMFThrower>(input);
}

// Frames of the second voice come in reverse order: they are held when the
// throw comes.
Bytes vsqInput() {
    const std::string first = "[Common]\nVersion=1\nName=first\n[Notes]\nA=1\nB=2\nC=" + std::string(300, 'c') + "\n";
    const std::string second = "[Common]\nName=second\n[Events]\nE1=x\nE2=y\nE3=z\n";
    std::vector<std::size_t> reversed;
    for (std::size_t i = dmFrames(second, 12).size(); i-- > 0;) reversed.push_back(i);
    return smf(Header(), {master(), dmTrack(first, 40), dmTrack(second, 12, reversed)});
}

TEST(ThrowingReceiver, VSQReaderWithViewHooks) {
    expectEveryThrowPassesThrough<Liedwerk::ParseVSQ, ViewThrower>(vsqInput());
}

TEST(ThrowingReceiver, VSQReaderWithRunsOfLines) {
    expectEveryThrowPassesThrough<Liedwerk::ParseVSQ, RunThrower>(vsqInput());
}

TEST(ThrowingReceiver, VSQReaderWithHooks) {
    expectEveryThrowPassesThrough<Liedwerk::ParseVSQ, StringThrower>(vsqInput());
}

} // namespace
