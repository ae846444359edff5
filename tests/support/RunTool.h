// Runs the trillo binary and captures what it does.
#pragma once

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
    std::string stdoutPath;       // write standard output there instead of capturing it
    std::string stderrPath;       // likewise for standard error
    std::string stdinPath;        // read standard input from there (default: /dev/null)
    bool closeStdout = false;     // start with standard output closed
    long addressSpaceLimit = 0;   // bytes; 0 for no limit
};

// Runs the binary with these arguments (without the program name), under the
// words of the environment's TRILLO_TEST_WRAPPER if it is set.
ToolResult runTool(const std::string& binary, const std::vector<std::string>& args,
                   const ToolOptions& options = {});

// A fresh folder for one test's files, removed by the destructor.
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

} // namespace Fixture
