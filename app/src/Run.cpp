#include <trillo/Run.h>

#include <cstdio>

#include <liedwerk/ParseVSQ.h>
#include <trillo/Errors.h>
#include <trillo/FileSource.h>
#include <orbt/ByteSink.h>
#include <trillo/DumpWriter.h>

namespace Trillo {

namespace {

constexpr char kUsage[] = "usage: trillo <file>\n";
constexpr char kTrailingBytes[] = "There are needless trailing bytes.\n";

// Reads the whole file into the reader; the dump gathers in the writer.
void readAll(FileSource& source, DumpWriter& writer) {
    Liedwerk::ParseVSQ reader(writer);
    do {
        source.fill();
    } while (reader.feed(source.range));
}

// The guarded part of a run.  Returns the message of a failure that is not an
// exception (trailing bytes), or null on success.  Everything it creates is
// destroyed, in reverse order, before it returns or throws.
const char* dumpFile(const char* path) {
    FileSource source(path);
    OrbT::FileSink sink(stdout);
    DumpWriter writer(sink);
    try {
        readAll(source, writer);
    } catch (...) {
        // What was dumped before the failure stays on standard output.
        try {
            writer.flush();
        } catch (...) {
        }
        throw;
    }
    writer.flush();
    if (!source.range.empty()) return kTrailingBytes;
    source.fill();
    if (!source.range.empty()) return kTrailingBytes;
    // Output that fails only when flushed must not end in status 0.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) throw OrbT::Ex::CannotWriteFile();
    return nullptr;
}

} // namespace

int run(int argc, char** argv) {
    if (argc != 2) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const char* failure = nullptr;
    try {
        failure = dumpFile(argv[1]);
    } catch (...) {
        failure = currentErrorMessage();
    }
    if (failure != nullptr) exitWithError(failure);
    return 0;
}

} // namespace Trillo
