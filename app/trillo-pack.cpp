// trillo-pack [-o FILE] [DUMP]: reads trillo's dump from the file DUMP, or
// from standard input when DUMP is "-" or missing, and writes the VSQ file it
// shows to standard output, or with -o FILE (--output FILE) to that file.  The
// whole dump is read and checked before the first byte is written, so a dump
// with a fault writes nothing and creates no file; a file that cannot be
// written to its end is removed.  Exits with 0 on success; on failure writes
// one line to standard error and exits with 1:
//
//   usage: trillo-pack [-o FILE] [DUMP]         a second DUMP or FILE, -o without FILE
//   trillo-pack: line N: <what is wrong>        the dump is not one trillo writes,
//                                               or shows what cannot be written
//   trillo-pack: cannot open the dump           (and the other failures of the
//   trillo-pack: cannot read the dump            system, without a line)
//   trillo-pack: cannot write standard output
//   trillo-pack: cannot open the output file
//   trillo-pack: cannot write the output file
//   trillo-pack: out of memory
//
// trillo-pack --help and trillo-pack --version print a short help and
// "trillo-pack <version>" to standard output and exit with 0.

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <liedwerk/WriteVSQ.h>
#include <orbt/ByteSink.h>
#include <trillo/DumpReader.h>
#include <trillo/Platform.h>
#include <trillo/ToolText.h>

namespace Trillo {

namespace {

constexpr char kUsage[] = "usage: trillo-pack [-o FILE] [DUMP]\n";

constexpr char kHelp[] = "usage: trillo-pack [-o FILE] [DUMP]\n"
                         "       trillo-pack --help | --version\n"
                         "\n"
                         "Reads the dump that trillo prints, from the file DUMP or from standard\n"
                         "input (DUMP - or none), checks it, and writes the VSQ sequence file that\n"
                         "it shows to standard output, or to FILE:\n"
                         "\n"
                         "  -o, --output FILE  write the file to FILE (- for standard output)\n"
                         "\n"
                         "A file named -, -o, --help or --version is reached as ./-, ./-o and so on.\n"
                         "\n"
                         "Exit status: 0 when the whole file is written; 1 on any failure, after\n"
                         "one line on standard error (a dump with a fault writes nothing, and\n"
                         "creates no FILE).\n"
                         "\n"
                         "The manual page trillo-pack(1) tells the dump it reads and every error\n"
                         "line.\n";
constexpr std::size_t kFirstCapacity = 1 << 20;

// The whole input in one block.
struct Input {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::size_t capacity = 0;

    void grow(std::size_t newCapacity) {
        std::unique_ptr<char[]> larger(new char[newCapacity]);
        if (size != 0) std::copy(bytes.get(), bytes.get() + size, larger.get());
        bytes = std::move(larger);
        capacity = newCapacity;
    }

    std::string_view view() const { return std::string_view(bytes.get(), size); }
};

// Reads stream to its end; false when reading fails.  A regular file's size
// gives the room at once, with one byte more to meet the end in the same read.
bool readStream(std::FILE* stream, Input& input) {
    struct stat info {};
    std::size_t capacity = kFirstCapacity;
    if (fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        capacity = static_cast<std::size_t>(info.st_size) + 1;
    input.grow(capacity);
    for (;;) {
        if (input.size == input.capacity) input.grow(input.capacity * 2);
        const std::size_t wanted = input.capacity - input.size;
        const std::size_t got = std::fread(input.bytes.get() + input.size, 1, wanted, stream);
        input.size += got;
        if (got < wanted) return std::ferror(stream) == 0; // the end, or a failure
    }
}

int fail(const std::string& what) {
    std::fprintf(stderr, "trillo-pack: %s\n", what.c_str());
    return 1;
}

int failAt(const DumpFault& fault) { return fail("line " + std::to_string(fault.line) + ": " + fault.what); }

// Reads the dump named by path ("-": standard input); the failure's message
// or null.
const char* readDumpFile(const std::string& path, Input& input) {
    if (path == "-") return readStream(stdin, input) ? nullptr : "cannot read the dump";
    std::FILE* stream = Platform::openFile(path, "rb");
    if (stream == nullptr) return "cannot open the dump";
    const bool ok = readStream(stream, input);
    std::fclose(stream);
    return ok ? nullptr : "cannot read the dump";
}

// The help or the version on standard output.
int print(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0 ||
        std::ferror(stdout))
        return fail("cannot write standard output");
    return 0;
}

// Writes the file to standard output.
int writeToStandardOutput(const Liedwerk::WriteVSQ& writer) {
    try {
        OrbT::FileSink sink(stdout);
        writer.write(sink);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) throw OrbT::Ex::CannotWriteFile();
    } catch (const OrbT::Ex::CannotWriteFile&) {
        return fail("cannot write standard output");
    }
    return 0;
}

// Writes the file to the file at path, created or emptied; removes it again
// when it cannot be written to its end, if the path names a regular file
// itself (never a device, a pipe or a link that it names).
int writeToFile(const Liedwerk::WriteVSQ& writer, const std::string& path) {
    std::FILE* stream = Platform::openFile(path, "wb");
    if (stream == nullptr) return fail("cannot open the output file");
    const bool removable = Platform::namesRegularFile(path, stream);
    bool written = true;
    try {
        OrbT::FileSink sink(stream);
        writer.write(sink);
        written = std::fflush(stream) == 0 && std::ferror(stream) == 0;
    } catch (const OrbT::Ex::CannotWriteFile&) {
        written = false;
    } catch (...) {
        std::fclose(stream);
        if (removable) Platform::removeFile(path);
        throw;
    }
    written = std::fclose(stream) == 0 && written;
    if (written) return 0;
    if (removable) Platform::removeFile(path);
    return fail("cannot write the output file");
}

// What the command line asks for.
struct Request {
    std::string dump = "-";
    std::string output = "-"; // "-": standard output
};

// The request of the arguments after the program's name; false for a
// command line that is none.
bool parse(const std::vector<std::string>& arguments, Request& request) {
    bool haveDump = false;
    bool haveOutput = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-o" || argument == "--output") {
            if (haveOutput || i + 1 == arguments.size()) return false;
            request.output = arguments[++i];
            haveOutput = true;
        } else if (argument == "--help" || argument == "--version" || haveDump) {
            return false;
        } else {
            request.dump = argument;
            haveDump = true;
        }
    }
    return true;
}

int pack(const Request& request) {
    Input input;
    if (const char* failure = readDumpFile(request.dump, input)) return fail(failure);
    const std::string_view dump = input.view();
    Liedwerk::WriteVSQs::Content content;
    if (const std::optional<DumpFault> fault = readDump(dump, content)) return failAt(*fault);
    const Liedwerk::WriteVSQ writer(content);
    if (writer.problem().kind != Liedwerk::WriteVSQs::Problem::None)
        return failAt(locateProblem(dump, content, writer.problem()));
    return request.output == "-" ? writeToStandardOutput(writer) : writeToFile(writer, request.output);
}

int run(int argc, Platform::ArgumentChar** argv) {
    Platform::useBinaryStandardStreams();
    try {
        const std::vector<std::string> arguments = Platform::arguments(argc, argv);
        if (arguments.size() == 1 && arguments[0] == "--help") return print(kHelp);
        if (arguments.size() == 1 && arguments[0] == "--version")
            return print(std::string("trillo-pack ") + version() + "\n");
        Request request;
        if (!parse(arguments, request)) {
            std::fputs(kUsage, stderr);
            return 1;
        }
        return pack(request);
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
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
