// Running out of memory anywhere, end to end: the tool runs with a malloc
// that fails its i-th allocation (tests/alloc/FailingMalloc.cpp, preloaded),
// for every i over a whole run.  Each run must end as the run without a
// failure does, or with status 1, one error line, and a dump that is a prefix
// of the whole one; never with a signal, another status, or a hang.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "RunTool.h"
#include "SmfWriter.h"

#ifdef TRILLO_FAILING_MALLOC // not with the sanitizers' allocator

namespace {

using namespace Fixture;

// The input and how the tool gets it.
struct Input {
    const char* name;
    Bytes bytes;
    bool fromStandardInput;
};

ToolResult runFailing(const TempDir& dir, const Input& input, unsigned long failAt) {
    ToolOptions options;
    options.environment = {std::string("LD_PRELOAD=") + TRILLO_FAILING_MALLOC,
                           "TRILLO_FAIL_ALLOCATION=" + std::to_string(failAt),
                           "TRILLO_ALLOCATION_COUNT=" + dir.path() + "/count"};
    options.timeoutSeconds = 20;
    const std::string path = dir.write("input.vsq", input.bytes);
    if (!input.fromStandardInput) return runTool(TRILLO_BINARY, {path}, options);
    options.stdinBytes = input.bytes;
    return runTool(TRILLO_BINARY, {"-"}, options);
}

// Frames out of order (held until their turn), lines longer than any
// buffer kept on the stack, and three voices.
Bytes heldFrames() {
    std::string text = "[S]\n";
    for (int i = 0; i < 12; ++i) text += "key" + std::to_string(i) + "=" + std::string(i * 400, 'v') + "\n";
    const std::vector<std::string> frames = dmFrames(text, 200);
    std::vector<std::size_t> reversed;
    for (std::size_t i = frames.size(); i-- > 0;) reversed.push_back(i);
    const Track master = Track().tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
    return smf(Header(), {master, dmTrack(text, 200, reversed), dmTrack(text, 30), dmTrack("[T]\na=b\n")});
}

const std::set<std::string> kOutOfMemoryLines = {
    "Error: exception caught.\n", // std::bad_alloc
    "Error: cannot open file.\n", // the stream could not be set up
};

TEST(AllocationFailure, EveryAllocationOfARun) {
    const std::string song = readFile(std::string(TRILLO_EXAMPLES) + "/song.vsq");
    const Bytes songBytes(song.begin(), song.end());
    const Input inputs[] = {
        {"examples/song.vsq", songBytes, false},
        {"examples/song.vsq on standard input", songBytes, true},
        {"frames held until their turn", heldFrames(), false},
        {"examples/song.vsq and a trailing byte", concat({songBytes, {0}}), false},
    };
    for (const Input& input : inputs) {
        SCOPED_TRACE(input.name);
        TempDir dir;
        const ToolResult whole = runFailing(dir, input, 0);
        const std::string count = readFile(dir.path() + "/count");
        ASSERT_NE(count, "") << "the failing malloc is not in use";
        const unsigned long allocations = std::stoul(count);
        ASSERT_GT(allocations, 0u);
        ASSERT_NE(whole.out.find("[Track01]\n"), std::string::npos);
        int outOfMemory = 0;
        for (unsigned long failAt = 1; failAt <= allocations; ++failAt) {
            SCOPED_TRACE("allocation " + std::to_string(failAt) + " of " + std::to_string(allocations));
            const ToolResult run = runFailing(dir, input, failAt);
            if (run.status == whole.status && run.out == whole.out && run.err == whole.err) continue;
            ++outOfMemory;
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(kOutOfMemoryLines.count(run.err), 1u) << run.err;
            EXPECT_EQ(whole.out.compare(0, run.out.size(), run.out), 0) << "not a prefix of the dump";
            if (::testing::Test::HasFailure()) break; // the first faulty run is enough to read
        }
        EXPECT_GT(outOfMemory, 0) << "no failed allocation made a difference";
    }
}

} // namespace

#endif
