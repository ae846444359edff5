// FileSource on standard input: what it reads, and that the process's open
// descriptors are the same after it as before, whether it could open or not.
#include <trillo/FileSource.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <orbt/Exceptions.h>

namespace {

// The descriptors open in this process, less the one that lists them.
std::set<int> openDescriptors() {
    std::set<int> found;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        ADD_FAILURE() << "cannot list /proc/self/fd: " << std::strerror(errno);
        return found;
    }
    const int own = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        const int descriptor = std::atoi(entry->d_name);
        if (descriptor != own) found.insert(descriptor);
    }
    closedir(dir);
    return found;
}

// Makes descriptor (or, for -1, nothing) standard input for its lifetime,
// taking it over, and puts the original back after.
class StandardInputAs {
public:
    explicit StandardInputAs(int descriptor) : saved_(dup(STDIN_FILENO)) {
        if (descriptor == STDIN_FILENO) return; // opened where standard input was closed
        if (descriptor < 0) {
            close(STDIN_FILENO);
            return;
        }
        EXPECT_EQ(dup2(descriptor, STDIN_FILENO), STDIN_FILENO) << std::strerror(errno);
        close(descriptor);
    }
    ~StandardInputAs() {
        if (saved_ < 0) {
            close(STDIN_FILENO); // it was closed
            return;
        }
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }
    StandardInputAs(const StandardInputAs&) = delete;
    StandardInputAs& operator=(const StandardInputAs&) = delete;

private:
    int saved_;
};

// The descriptor that making an input gave, or a failure of the test.
int made(int descriptor, const char* what) {
    if (descriptor < 0) ADD_FAILURE() << "cannot make " << what << ": " << std::strerror(errno);
    return descriptor;
}

// A file that holds text, unlinked, its offset at start.
int fileHolding(const std::string& text, off_t start = 0) {
    char path[] = "/tmp/trillo-file-source-XXXXXX";
    const int descriptor = mkstemp(path);
    if (descriptor < 0) return descriptor;
    unlink(path);
    if (write(descriptor, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        lseek(descriptor, start, SEEK_SET) != start) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

// The read end of a pipe that holds text and whose write end is closed.
int pipeHolding(const std::string& text) {
    int ends[2];
    if (pipe(ends) != 0) return -1;
    const bool written = write(ends[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(ends[1]);
    if (!written) {
        close(ends[0]);
        return -1;
    }
    return ends[0];
}

// Everything that a FileSource on standard input reads, or the exception.
std::string readStandardInput() {
    try {
        Trillo::FileSource source = Trillo::FileSource::standardInput();
        std::string text;
        for (source.fill(); !source.range.empty(); source.fill()) {
            text.append(reinterpret_cast<const char*>(source.range.cursor), source.range.count);
            source.range.advance(source.range.count);
        }
        return text;
    } catch (const OrbT::Ex::CannotOpenFile&) {
        return "throws CannotOpenFile";
    } catch (...) {
        return "throws another exception";
    }
}

TEST(FileSource, StandardInputLeavesTheDescriptorsAsTheyWere) {
    const std::string large(3 * Trillo::FileSource::kStreamBufferSize + 5, 'q');
    const struct {
        const char* name;
        std::function<int()> input; // the descriptor made standard input, -1 for none
        std::string read;
    } cases[] = {
        // The stream cannot be opened on the copy of standard input: the copy
        // must be closed again.
        {"write-only", [] { return made(open("/dev/null", O_WRONLY), "/dev/null"); }, "throws CannotOpenFile"},
        {"closed", [] { return -1; }, "throws CannotOpenFile"},
        {"a file, from where it stands", [] { return made(fileHolding("0123456789", 3), "a file"); }, "3456789"},
        {"an empty file", [] { return made(fileHolding(""), "a file"); }, ""},
        {"a file larger than the stream's buffer", [&] { return made(fileHolding(large), "a file"); }, large},
        {"a pipe", [] { return made(pipeHolding("piped\n"), "a pipe"); }, "piped\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const StandardInputAs input(c.input());
        const std::set<int> before = openDescriptors();
        EXPECT_EQ(readStandardInput(), c.read);
        EXPECT_EQ(openDescriptors(), before);
    }
}

} // namespace
