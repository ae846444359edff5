// Runs the trillo binary and captures what it does.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "SmfWriter.h"

namespace Fixture {

struct ToolResult {
    std::string out;
    std::string err;
    int status = -1; // the exit status, or 128 + signal
};

struct ToolOptions {
    std::string stdoutPath;               // write standard output there instead of capturing it
    std::string stderrPath;               // likewise for standard error
    bool closeStdout = false;             // start with standard output closed
    bool errorToOutput = false;           // standard error into standard output, as "2>&1" does
    std::string stdinPath;                // standard input from this file (default: /dev/null)
    std::optional<Bytes> stdinBytes;      // standard input from a pipe that another process fills with these
    bool closeStdin = false;              // start with standard input closed
    std::vector<std::string> environment; // "NAME=value" set on top of the test's environment
    std::string workingDirectory;         // run there (default: the test's own)
    long addressSpaceLimit = 0;           // bytes; 0 for no limit
    long fileSizeLimit = 0;               // bytes that a file may reach, then writes fail; 0 for no limit
    unsigned timeoutSeconds = 0;          // then SIGALRM ends the run (status 128 + 14); 0 for none
    // Run as root, the binary has no power to open a file whatever its mode:
    // it can be refused like any other user.  No effect for other users.
    bool withoutRootOverride = false;
};

// Runs the binary with these arguments (without the program name), under the
// words of the environment's TRILLO_TEST_WRAPPER if it is set.  On Windows
// the names are UTF-8 and reach the program as the wide command line; there
// only the options stdoutPath, stderrPath, closeStdout, errorToOutput,
// stdinPath, stdinBytes and workingDirectory are known (any other throws
// std::logic_error), and there is no wrapper.
ToolResult runTool(const std::string& binary, const std::vector<std::string>& args, const ToolOptions& options = {});

// A fresh folder for one test's files, removed by the destructor.  Its
// path and the names in it are UTF-8.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes the bytes to a file of that name in the folder; returns its path.
    std::string write(const std::string& name, const Bytes& bytes) const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The whole content of a file ("" when it cannot be read).
std::string readFile(const std::string& path);

// Whether there is a file or folder at path.
bool fileExists(const std::string& path);

} // namespace Fixture
