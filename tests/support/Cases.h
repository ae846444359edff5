// The shared cases: files that our writer builds, each with what `trillo
// FILE` does with it.  The C++ tests read these tables directly; make_cases
// writes them into a folder of the build tree for the Python and web tests
// (see make_cases.cpp), and SharedCasesTest checks that folder against the
// real binary.
#pragma once

#include <string>
#include <vector>

#include "SmfWriter.h"

namespace Fixture {

// One input and the run of `trillo FILE` on it.
struct Case {
    std::string what;    // a few words; the file name is nameOf(what)
    Bytes input;         //
    std::string out;     // standard output
    std::string message; // the error line after "Error: ", with its newline; "" for a valid file
    std::string kind;    // the class of the failure, as describeCurrentError names it; "" for a valid file
};

// Lower-case letters and digits of what, every other run of characters one '-'.
std::string nameOf(const std::string& what);

// The case of that description; throws std::out_of_range when there is none.
const Case& caseNamed(const std::vector<Case>& cases, const std::string& what);

// What the reader and the dump writer make of the bytes in this process, read
// in blocks as the tool reads a file: the dump, and the message and kind of a
// failure ("" for none).
struct InProcess {
    std::string out;
    std::string message;
    std::string kind;
};
InProcess dumpInProcess(const Bytes& bytes);

// The groups of cases.  Where a table gives no dump, it is the one that
// dumpInProcess makes (which the valid ones must complete).
std::vector<Case> validCases();     // hand-made valid files, each of one shape
std::vector<Case> errorCases();     // every error line, each with the dump before it
std::vector<Case> generatedCases(); // valid files of random shapes, from fixed seeds
std::vector<Case> cutCases(const Bytes& file, const std::string& fileName); // every proper prefix of a file
std::vector<Case> largeCases();                                             // valid files of several MB

// The pieces that the tables are made of, for tests of their own.
extern const std::string kMaster; // the dump's master block of oneVoice, with its blank line
Track master();                   // 120 BPM and 4/4 at tick 0
Bytes oneVoice(const Track& voice, const Header& header = {});
Bytes withoutLast(Bytes bytes, std::size_t n);
// The text of the one voice of fileOfBlocks, whose size is blocks * 1024 bytes.
std::string blocksText(std::size_t blocks);
Bytes fileOfBlocks(std::size_t blocks);

} // namespace Fixture
