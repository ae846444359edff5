#include <trillo/Run.h>

#include <cstdio>

#if defined(__unix__)
#include <unistd.h>
#endif

#include <liedwerk/ParseVSQ.h>
#include <trillo/Errors.h>
#include <trillo/FileSource.h>
#include <trillo/VSQHooks.h>

namespace Trillo {

namespace {

constexpr char kUsage[] = "usage: trillo <file>\n";
constexpr char kTrailingBytes[] = "There are needless trailing bytes.\n";
constexpr std::size_t kOutputBufferSize = 64 * 1024;

// A dump into a file or a pipe leaves in large blocks: far fewer system calls
// than with the library's default buffer.  A terminal keeps its line
// buffering.  Called before anything is written to standard output.
void enlargeOutputBuffer() {
#if defined(__unix__)
    if (isatty(fileno(stdout))) return;
#endif
    static char buffer[kOutputBufferSize];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

// The guarded part of a run.  Returns the message of a failure that is not an
// exception (trailing bytes), or null on success.  Everything it creates is
// destroyed, in reverse order, before it returns or throws.
const char* dumpFile(const char* path) {
    FileSource source(path);
    enlargeOutputBuffer();
    VSQHooks writer(stdout, false);
    {
        Liedwerk::ParseVSQ reader(writer);
        do {
            source.fill();
        } while (reader.feed(source.range));
    }
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
