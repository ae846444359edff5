// trillo: dumps one VSQ file to standard output.
//
//   trillo FILE       dumps the VSQ file to standard output
//   trillo -          the same, with the file read from standard input
//   trillo --help     a short help on standard output
//   trillo --version  "trillo <version>" on standard output
//
// Exit status 0 when the dump (or the help, or the version) is complete on
// standard output.  Any other argument count writes the usage line to
// standard error; every failure writes its one "Error: " line there; both
// exit with 1.  What was dumped before a failure has then been handed to
// standard output's stream, which the process's normal exit flushes.
#include <cstdio>
#include <cstring>
#include <string>

#include <orbt/ByteSink.h>
#include <trillo/DumpWriter.h>
#include <trillo/Errors.h>
#include <trillo/FileSource.h>
#include <trillo/Platform.h>
#include <trillo/ReadLoop.h>
#include <trillo/ToolText.h>

namespace Trillo {

namespace {

constexpr char kUsage[] = "usage: trillo <file>\n";

// A dump into a file or a pipe leaves in blocks of the writer's size: the
// writer hands over whole blocks, which go straight through a stream buffer
// of that size, and what it hands over at the end or after a failure waits
// there until the process ends, as the bytes of any buffered stream do.  A
// terminal keeps its line buffering.  Called before anything is written.
void enlargeOutputBuffer() {
    if (Platform::isTerminal(stdout)) return;
    static char buffer[DumpWriter::kBufferSize];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

// Output that fails only when flushed must not end in status 0.
void flushStandardOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) throw OrbT::Ex::CannotWriteFile();
}

// Dumps the input to standard output.  What was dumped before a failure
// stays there: the writer is flushed before the exception goes on.
void dump(FileSource source) {
    enlargeOutputBuffer();
    OrbT::FileSink sink(stdout);
    DumpWriter writer(sink);
    try {
        readAll(source, writer);
    } catch (...) {
        try {
            writer.flush();
        } catch (...) {
        }
        throw;
    }
    writer.flush();
    flushStandardOutput();
}

// "Error: " and the message, which ends with its own "\n".  A failure to
// write it changes nothing: there is nowhere left to report it.
void writeErrorLine(const char* message) { std::fprintf(stderr, "Error: %s", message); }

void print(const char* text) {
    OrbT::FileSink(stdout).write(text, std::strlen(text));
    flushStandardOutput();
}

// The run for the one argument.
void runWith(const std::string& argument) {
    if (argument == "--help") return print(helpText());
    if (argument == "--version") return print(versionLine());
    if (argument == "-") return dump(FileSource::standardInput());
    dump(FileSource(argument.c_str()));
}

int run(int argc, Platform::ArgumentChar** argv) {
    Platform::useBinaryStandardStreams();
    if (argc != 2) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    try {
        runWith(Platform::arguments(argc, argv)[0]);
        return 0;
    } catch (...) {
        writeErrorLine(currentErrorMessage());
        return 1;
    }
}

} // namespace

} // namespace Trillo

// wmain on Windows, whose arguments are the names as the user typed them.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return Trillo::run(argc, argv); }
#else
int main(int argc, char** argv) { return Trillo::run(argc, argv); }
#endif
