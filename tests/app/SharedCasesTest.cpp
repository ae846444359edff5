// The folder of shared cases that make_cases wrote for the Python and web
// tests: it holds the tables as they are now, the real binary prints what
// its files say for every case, and each failure is of the class named.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "Cases.h"
#include "RunTool.h"

namespace {

using namespace Fixture;

const std::string kFolder = TRILLO_CASES;

struct Group {
    const char* name;
    std::vector<Case> cases;
};

std::vector<Group> tables() {
    const std::string song = readFile(TRILLO_SONG);
    return {{"valid", validCases()},
            {"error", errorCases()},
            {"generated", generatedCases()},
            {"cut", cutCases(bytesOf(song), "song.vsq")},
            {"large", largeCases()}};
}

// The index's entries as (name, group, status) lines, in its order.
std::vector<std::string> indexEntries() {
    const std::string index = readFile(kFolder + "/cases.json");
    const std::regex entry(R"re(\{"name": "([^"]*)", "group": "([^"]*)", "what": "(?:[^"\\]|\\.)*", "status": (\d))re");
    std::vector<std::string> entries;
    for (std::sregex_iterator it(index.begin(), index.end(), entry), end; it != end; ++it)
        entries.push_back((*it)[1].str() + " " + (*it)[2].str() + " " + (*it)[3].str());
    return entries;
}

ToolResult filesOf(const std::string& name) {
    const std::string stem = kFolder + "/" + name;
    const std::string status = readFile(stem + ".status");
    return {readFile(stem + ".stdout"), readFile(stem + ".stderr"), status.empty() ? -1 : std::stoi(status)};
}

TEST(SharedCases, TheFolderHoldsTheTables) {
    std::vector<std::string> expected;
    for (const Group& group : tables()) {
        for (const Case& c : group.cases) {
            SCOPED_TRACE(c.what);
            const std::string name = nameOf(c.what);
            const int status = c.message.empty() ? 0 : 1;
            expected.push_back(name + " " + group.name + " " + std::to_string(status));
            EXPECT_EQ(readFile(kFolder + "/" + name + ".vsq"), textOf(c.input));
            const ToolResult files = filesOf(name);
            EXPECT_EQ(files.out, c.out);
            EXPECT_EQ(files.err, c.message.empty() ? "" : "Error: " + c.message);
            EXPECT_EQ(files.status, status);
        }
    }
    EXPECT_EQ(indexEntries(), expected);
    EXPECT_GT(expected.size(), 500u);
}

// What `trillo NAME.vsq` prints, for every case of the index.
TEST(SharedCases, TheToolPrintsWhatTheFilesSay) {
    const std::vector<std::string> entries = indexEntries();
    ASSERT_FALSE(entries.empty());
    for (const std::string& entry : entries) {
        const std::string name = entry.substr(0, entry.find(' '));
        SCOPED_TRACE(name);
        const ToolResult expected = filesOf(name);
        const ToolResult run = runTool(TRILLO_BINARY, {kFolder + "/" + name + ".vsq"});
        EXPECT_EQ(run.out, expected.out);
        EXPECT_EQ(run.err, expected.err);
        EXPECT_EQ(run.status, expected.status);
    }
}

// The class of each failure, which the binary does not show: the reader in
// this process throws it, after the same dump.  A valid case reads whole.
TEST(SharedCases, EachFailureIsOfTheClassNamed) {
    for (const Group& group : tables()) {
        for (const Case& c : group.cases) {
            SCOPED_TRACE(c.what);
            const InProcess run = dumpInProcess(c.input);
            EXPECT_EQ(run.out, c.out);
            EXPECT_EQ(run.message, c.message);
            EXPECT_EQ(run.kind, c.kind);
            EXPECT_EQ(c.kind.empty(), c.message.empty());
        }
    }
}

// Each group shows what it is for.
TEST(SharedCases, TheGroupsAreWhatTheySay) {
    for (const Group& group : tables()) {
        SCOPED_TRACE(group.name);
        std::size_t failures = 0;
        for (const Case& c : group.cases) failures += c.message.empty() ? 0 : 1;
        const std::string name = group.name;
        if (name == "error") {
            EXPECT_EQ(failures, group.cases.size());
        } else if (name == "cut") {
            EXPECT_EQ(group.cases.size(), readFile(TRILLO_SONG).size());
            EXPECT_EQ(failures, group.cases.size()); // no proper prefix is a whole file
        } else {
            EXPECT_EQ(failures, 0u);
        }
    }
}

} // namespace
