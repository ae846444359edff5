#include "RunTool.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace Fixture {

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

[[noreturn]] void fail(const char* what) {
    std::perror(what);
    _exit(126);
}

} // namespace

TempDir::TempDir() {
    char pattern[] = "/tmp/trillo-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    const std::string command = "rm -rf '" + path_ + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", path_.c_str());
}

std::string TempDir::write(const std::string& name, const Bytes& bytes) const {
    const std::string path = path_ + "/" + name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

ToolResult runTool(const std::string& binary, const std::vector<std::string>& args, const ToolOptions& options) {
    TempDir dir;
    const std::string outPath = options.stdoutPath.empty() ? dir.path() + "/stdout" : options.stdoutPath;
    const std::string errPath = options.stderrPath.empty() ? dir.path() + "/stderr" : options.stderrPath;
    // TRILLO_TEST_WRAPPER, if set, runs the binary under another program
    // (valgrind, say); its words are split at blanks.
    std::vector<std::string> wrapper;
    if (const char* words = std::getenv("TRILLO_TEST_WRAPPER")) {
        std::istringstream in(words);
        for (std::string word; in >> word;) wrapper.push_back(word);
    }
    std::vector<char*> argv;
    for (std::string& word : wrapper) argv.push_back(word.data());
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    const std::string inPath = options.stdinPath.empty() ? "/dev/null" : options.stdinPath;
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int in = open(inPath.c_str(), O_RDONLY);
        if (in < 0 || dup2(in, 0) < 0) fail("stdin");
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err < 0 || dup2(err, 2) < 0) fail("stderr");
        if (options.closeStdout) {
            close(1);
        } else {
            const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out < 0 || dup2(out, 1) < 0) fail("stdout");
        }
        if (options.addressSpaceLimit > 0) {
            const rlimit limit{static_cast<rlim_t>(options.addressSpaceLimit),
                               static_cast<rlim_t>(options.addressSpaceLimit)};
            if (setrlimit(RLIMIT_AS, &limit) != 0) fail("setrlimit");
        }
        execvp(argv[0], argv.data());
        fail("execv");
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) throw std::runtime_error("waitpid failed");
    ToolResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (options.stdoutPath.empty() && !options.closeStdout) result.out = slurp(outPath);
    if (options.stderrPath.empty()) result.err = slurp(errPath);
    return result;
}

} // namespace Fixture
