// The DM text: lines cut from payloads, section and field lines.
#include "DMTextParser.h"
#include "LineMasks.h"

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

// A payload ends at its first 0 byte, also inside a line that straddles
// payloads.
TEST(DMText, APayloadEndsAtItsFirstZeroByte) {
    using namespace std::string_literals;
    EXPECT_EQ(parseTrack({"[S]\nK=V\n\0x=y\n"s, "L=W\n"}), "section S\nfield S K=V\n|\nfield S L=W\n|\nend S\n");
    EXPECT_EQ(parseTrack({"[S]\nK=", "V\0x\n"s, "\nL=W\n"}), "section S\n|\n|\nfield S K=V\nfield S L=W\n|\nend S\n");
    EXPECT_EQ(parseTrack({"[S]\nK=\0V\n"s}), "section S\n|\nfield S K=\nend S\n");
    EXPECT_EQ(parseTrack({"[S]\nK=V\n"s, "\0=\n"s}), "section S\nfield S K=V\n|\n|\nend S\n");
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

// Section lines of every length past a window, with the first "]" at every
// place or nowhere, after field lines of every length that shift them.
TEST(DMText, SectionLinesOfEveryLength) {
    for (std::size_t length = 1; length <= 150; ++length) {
        for (std::size_t close = 1; close <= length; ++close) {
            std::string line = "[" + std::string(length - 1, 'n');
            if (close < length) line[close] = ']';
            const bool good = close + 1 == length && close > 1;
            const std::string name = good ? line.substr(1, close - 1) : "";
            const std::string before = "[S]\n" + std::string(1 + length % 70, 'k') + "=v\n";
            const std::string expected = "section S\nfield S " + std::string(1 + length % 70, 'k') + "=v\nend S\n" +
                                         (good ? "section " + name + "\nfield " + name + " a=b\nend " + name + "\n"
                                               : "throws MalformedSectionName\n");
            ASSERT_EQ(parseText(before + line + "\na=b\n"), expected) << "length " << length << ", ] at " << close;
        }
    }
}

// The judgement of texts of up to several windows, against a plain reading
// of their lines: lines of every length that mostly pass, now and then one
// of random bytes that matter, a 0 byte now and then, either way of an open
// section.
TEST(DMText, TextsAreJudgedAsTheirLinesAre) {
    std::mt19937 random(5);
    const char alphabet[] = {'a', '=', '[', ']', '\n', 'b'};
    const auto bytes = [&](std::size_t count) {
        std::string some(count, 'a');
        for (char& c : some) c = alphabet[random() % sizeof alphabet];
        return some;
    };
    const char* const nearMisses[] = {"[]", "[", "[n]]", "[n]x", "=v", "k", "", "[n"};
    for (int round = 0; round < 200000; ++round) {
        std::string text;
        const std::size_t size = 1 + random() % 300;
        while (text.size() < size) {
            const std::size_t length = random() % (random() % 4 == 0 ? 80 : 12);
            switch (random() % 16) {
            case 0:
                text += bytes(length);
                break;
            case 3:
                text += std::string(length, '\n').substr(0, 1) + nearMisses[random() % 8] + "\n";
                break;
            case 1:
            case 2:
                text += "[" + std::string(1 + length, 'n') + "]\n";
                break;
            default:
                text += std::string(1 + length / 2, 'k') + "=" + std::string(length / 2, 'v') + "\n";
                break;
            }
        }
        text.resize(size);
        if (random() % 8 == 0) text[random() % size] = '\0';
        const bool open = random() % 2 == 0;
        const std::string ended = text.substr(0, text.find('\0'));
        bool pass = true;
        bool sectionOpen = open;
        std::size_t lastHeader = Liedwerk::kNowhere;
        std::size_t start = 0;
        for (std::size_t newline; (newline = ended.find('\n', start)) != std::string::npos; start = newline + 1) {
            const Liedwerk::LineKind kind = Liedwerk::readLine(ended.substr(start, newline - start), sectionOpen);
            pass = pass && (kind == Liedwerk::LineKind::Section || kind == Liedwerk::LineKind::Field);
            if (kind == Liedwerk::LineKind::Section || kind == Liedwerk::LineKind::MalformedSection) {
                lastHeader = start;
                sectionOpen = true;
            }
        }
        const Liedwerk::TextLines lines = Liedwerk::judgeText(text.data(), text.size(), open);
        const auto shown = [&] {
            std::string escaped;
            for (char c : text)
                escaped += c == '\n' ? std::string("\\n") : c == '\0' ? std::string("\\0") : std::string(1, c);
            return escaped + (open ? " (open)" : "");
        };
        ASSERT_EQ(lines.size, ended.size()) << shown();
        ASSERT_EQ(lines.end, start) << shown();
        ASSERT_EQ(lines.allPass, pass) << shown();
        if (pass) {
            ASSERT_EQ(lines.lastHeader, lastHeader) << shown();
        }
    }
}

// The first byte of a value in texts of every size up to past four blocks,
// at every place or nowhere, with others of its value after it.
TEST(DMText, FindByteFindsTheFirst) {
    for (std::size_t size = 0; size <= 70; ++size) {
        for (std::size_t place = 0; place <= size; ++place) {
            std::string text(size, 'x');
            if (place < size) text[place] = '\0';
            if (place + 3 < size) text[place + 3] = '\0';
            ASSERT_EQ(Liedwerk::findByte(text.data(), size, '\0'), place) << "size " << size << ", at " << place;
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

// The lines that lie in one payload come as one run; a run ends at a line
// that fails (after the run is reported) and at the payload's end, and a line
// that straddles two payloads comes as a run of its own.
TEST(DMText, LinesComeInRuns) {
    struct Runs : TextRecorder {
        void onLines(std::string_view section, std::string_view lines) override {
            log += "run of " + std::to_string(std::count(lines.begin(), lines.end(), '\n')) + " after [" +
                   std::string(section) + "]\n";
            TextRecorder::onLines(section, lines);
        }
    };
    Runs recorder;
    Liedwerk::DMTextParser parser(recorder);
    parser.feed("[S]\na=1\nb=2\n[T]\nc=3\nd=");
    parser.feed("4\ne=5\nf=6\n");
    parser.feed("g=7");
    parser.finish();
    EXPECT_EQ(recorder.log, "run of 5 after []\nsection S\nfield S a=1\nfield S b=2\nend S\nsection T\nfield T c=3\n"
                            "run of 1 after [T]\nfield T d=4\nrun of 2 after [T]\nfield T e=5\nfield T f=6\n"
                            "field T g=7\n");
    Runs failing;
    Liedwerk::DMTextParser second(failing);
    EXPECT_THROW(second.feed("[S]\na=1\nb=2\n=3\n"), Liedwerk::Ex::MalformedField);
    EXPECT_EQ(failing.log, "run of 3 after []\nsection S\nfield S a=1\nfield S b=2\n");
}

// A line put together from many payloads is reported whole, and the lines
// after it as usual.
TEST(DMText, ALineFromManyPayloadsIsWhole) {
    TextRecorder recorder;
    Liedwerk::DMTextParser parser(recorder);
    parser.feed("[S]\nK=");
    for (int i = 0; i < 100; ++i) parser.feed(std::string(1000, 'v'));
    parser.feed("\nshort=");
    parser.feed("1\n");
    EXPECT_EQ(recorder.log, "section S\nfield S K=" + std::string(100'000, 'v') + "\nfield S short=1\n");
}

} // namespace
