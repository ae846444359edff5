// The DM text: lines cut from payloads, section and field lines.
#include "DMTextParser.h"

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include <liedwerk/Exceptions.h>

#include "Recorders.h"

namespace {

using namespace Fixture;

// Feeds the payloads as one voice track does, then ends the track; returns
// the calls and how it ended.
std::string parseTrack(const std::vector<std::string>& payloads) {
    TextRecorder recorder;
    try {
        Liedwerk::DMTextParser parser(recorder);
        for (const std::string& payload : payloads) {
            parser.feed(payload);
            recorder.log += "|\n"; // where a payload's feeding ends
        }
        parser.finish();
        parser.endSection();
    } catch (...) {
        return recorder.log + "throws " + exceptionName() + "\n";
    }
    return recorder.log;
}

// The same text in one payload, with the payload marks taken out.
std::string parseText(const std::string& text) {
    std::string log = parseTrack({text});
    const auto mark = log.find("|\n");
    if (mark != std::string::npos) log.erase(mark, 2);
    return log;
}

TEST(DMText, LinesAreReportedWhileThePayloadHoldingTheirNewlineIsFed) {
    EXPECT_EQ(parseTrack({"[S]\nK=V\n", "L=W\n"}), "section S\nfield S K=V\n|\nfield S L=W\n|\nend S\n");
    EXPECT_EQ(parseTrack({"[S]\nK=", "V\n"}), "section S\n|\nfield S K=V\n|\nend S\n");
    EXPECT_EQ(parseTrack({"[S]\nK=V", "\n"}), "section S\n|\nfield S K=V\n|\nend S\n");
    EXPECT_EQ(parseTrack({"[S", "]", "\nK", "=V\n"}), "|\n|\nsection S\n|\nfield S K=V\n|\nend S\n");
    // The last line without a newline waits for the track's end.
    EXPECT_EQ(parseTrack({"[S]\n", "K=V"}), "section S\n|\n|\nfield S K=V\nend S\n");
    EXPECT_EQ(parseTrack({}), "");
}

// Every cut of one text into two payloads gives the same calls.
TEST(DMText, EveryTwoWayCutGivesTheSameCalls) {
    const std::string full = "[Alpha]\nName=first voice\nLevel=64\n[B]\nx=a=b\ny=";
    const std::string expected = parseText(full);
    EXPECT_EQ(expected, "section Alpha\nfield Alpha Name=first voice\nfield Alpha Level=64\nend Alpha\n"
                        "section B\nfield B x=a=b\nfield B y=\nend B\n");
    for (std::size_t at = 1; at < full.size(); ++at) {
        std::string log = parseTrack({full.substr(0, at), full.substr(at)});
        for (auto mark = log.find("|\n"); mark != std::string::npos; mark = log.find("|\n")) log.erase(mark, 2);
        EXPECT_EQ(log, expected) << "cut at " << at;
    }
}

TEST(DMText, Lines) {
    struct Case {
        const char* text;
        const char* calls;
    } cases[] = {
        {"[S]\n[S]\n", "section S\nend S\nsection S\nend S\n"},
        {"[S T]\n", "section S T\nend S T\n"},
        {"[[S]\n", "section [S\nend [S\n"},
        {"[S]\nK = V\n", "section S\nfield S K = V\nend S\n"},
        {"[S]\nK=\n", "section S\nfield S K=\nend S\n"},
        {"[S]\nK=a=b\n", "section S\nfield S K=a=b\nend S\n"},
        {"[S]\nK=[x] y\r\n", "section S\nfield S K=[x] y\r\nend S\n"},
        {"[A]\nk=1\n[B]\nm=2", "section A\nfield A k=1\nend A\nsection B\nfield B m=2\nend B\n"},
        // Errors, after the calls that came before.
        {"\n", "throws SectionIdentifierLacked\n"},
        {"K=V\n", "throws SectionIdentifierLacked\n"},
        {"K\n", "throws SectionIdentifierLacked\n"},
        {" [S]\n", "throws SectionIdentifierLacked\n"},
        {"[S]\n\n", "section S\nthrows MalformedField\n"},
        {"[S]\n=V\n", "section S\nthrows MalformedField\n"},
        {"[S]\nK\n", "section S\nthrows MalformedField\n"},
        {"[S]\n [T]\n", "section S\nthrows MalformedField\n"},
        {"[]\n", "throws MalformedSectionName\n"},
        {"[\n", "throws MalformedSectionName\n"},
        {"[", "throws MalformedSectionName\n"},
        // A header line first ends the open section, then fails.
        {"[S]\n[]\n", "section S\nend S\nthrows MalformedSectionName\n"},
        {"[S]\n[T\n", "section S\nend S\nthrows MalformedSectionName\n"},
        {"[S]\n[T]x\n", "section S\nend S\nthrows MalformedSectionName\n"},
        {"[S]\n[T]]\n", "section S\nend S\nthrows MalformedSectionName\n"},
        {"[S]\n[T]\r\n", "section S\nend S\nthrows MalformedSectionName\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(parseText(c.text), c.calls) << "text: " << c.text;
}

// Field lines of every length up to past the stack copy, with the "=" at
// every place or nowhere, against what the line says.
TEST(DMText, FieldLinesOfEveryLength) {
    for (std::size_t length = 1; length <= 300; ++length) {
        std::string line(length, ' ');
        for (std::size_t i = 0; i < length; ++i) line[i] = static_cast<char>('a' + i % 26);
        for (std::size_t equals = 0; equals <= length; ++equals) {
            std::string text = line;
            if (equals < length) text[equals] = '=';
            const std::string expected =
                equals == 0 || equals == length
                    ? "section S\nthrows MalformedField\n"
                    : "section S\nfield S " + text.substr(0, equals) + "=" + text.substr(equals + 1) + "\nend S\n";
            ASSERT_EQ(parseText("[S]\n" + text + "\n"), expected) << "length " << length << ", = at " << equals;
        }
    }
}

// Lines of random lengths, newlines anywhere in payloads of any size and
// cut, against a plain split of the text.
TEST(DMText, NewlinesAnywhere) {
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        std::string text = "[S]\n";
        std::string expected = "section S\n";
        const int lines = 1 + static_cast<int>(random() % 12);
        for (int l = 0; l < lines; ++l) {
            std::string key(1 + random() % 20, 'k'), value(random() % 90, 'v');
            key[0] = static_cast<char>('a' + l);
            if (!value.empty()) value.back() = static_cast<char>('A' + l);
            text += key + "=" + value + "\n";
            expected += "field S " + key + "=" + value + "\n";
        }
        expected += "end S\n";
        std::vector<std::string> payloads;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t size = 1 + random() % (random() % 2 ? 8 : 300);
            payloads.push_back(text.substr(at, size));
            at += size;
        }
        std::string log = parseTrack(payloads);
        for (auto mark = log.find("|\n"); mark != std::string::npos; mark = log.find("|\n")) log.erase(mark, 2);
        ASSERT_EQ(log, expected) << "round " << round;
    }
}

// Lines that lie in one payload come as runs of fields; a run ends at a
// section line or an error, and at the payload's end.
TEST(DMText, FieldLinesComeInRuns) {
    struct Runs : TextRecorder {
        void onKeyValueLines(std::string_view section, std::string_view lines) override {
            log += "run of " + std::to_string(std::count(lines.begin(), lines.end(), '\n')) + "\n";
            TextRecorder::onKeyValueLines(section, lines);
        }
    };
    Runs recorder;
    Liedwerk::DMTextParser parser(recorder);
    parser.feed("[S]\na=1\nb=2\n[T]\nc=3\nd=");
    parser.feed("4\ne=5\nf=6\n");
    parser.feed("g=7");
    parser.finish();
    EXPECT_EQ(recorder.log, "section S\nrun of 2\nfield S a=1\nfield S b=2\nend S\nsection T\nrun of 1\nfield T c=3\n"
                            "field T d=4\nrun of 2\nfield T e=5\nfield T f=6\nfield T g=7\n");
    Runs failing;
    Liedwerk::DMTextParser second(failing);
    EXPECT_THROW(second.feed("[S]\na=1\nb=2\n=3\n"), Liedwerk::Ex::MalformedField);
    EXPECT_EQ(failing.log, "section S\nrun of 2\nfield S a=1\nfield S b=2\n");
}

// A long line put together from many payloads does not keep its storage:
// the next short line after it leaves little behind.
TEST(DMText, ALongAssembledLineIsNotKept) {
    TextRecorder recorder;
    Liedwerk::DMTextParser parser(recorder);
    parser.feed("[S]\nK=");
    for (int i = 0; i < 100; ++i) parser.feed(std::string(1000, 'v'));
    parser.feed("\nshort=");
    parser.feed("1\n");
    EXPECT_EQ(recorder.log.size(), std::string("section S\nfield S K=\nfield S short=1\n").size() + 100'000u);
}

} // namespace
