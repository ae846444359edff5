#include "RunTool.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace Fixture {

namespace {

[[noreturn]] void fail(const char* what) {
    std::perror(what);
    _exit(126);
}

// Opens path onto the descriptor target, in the child.
void redirect(int target, const std::string& path, int flags) {
    const int descriptor = open(path.c_str(), flags, 0600);
    if (descriptor < 0 || dup2(descriptor, target) < 0) fail(path.c_str());
    if (descriptor != target) close(descriptor);
}

// Takes from root, for this process and what it executes, the two
// capabilities that let it read any file and search any folder.
void dropRootOverride() {
    if (geteuid() != 0) return;
    const int capabilities[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH};
    for (int capability : capabilities)
        if (prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0) fail("PR_CAPBSET_DROP");
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0) fail("PR_CAP_AMBIENT_CLEAR_ALL");
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) fail("capget");
    for (int capability : capabilities) {
        const std::uint32_t bit = 1U << (capability % 32);
        data[capability / 32].effective &= ~bit;
        data[capability / 32].permitted &= ~bit;
        data[capability / 32].inheritable &= ~bit;
    }
    if (syscall(SYS_capset, &header, data) != 0) fail("capset");
}

// Writes bytes to the pipe's end in a process of its own, so that a tool that
// stops reading early ends only that process (with SIGPIPE).
pid_t startFeeder(int readEnd, int writeEnd, const Bytes& bytes) {
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        close(readEnd);
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = write(writeEnd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) _exit(1);
            done += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    return pid;
}

// In the forked child: the descriptors, limits and environment that options
// ask for, then the program.  Never returns.
[[noreturn]] void becomeTool(std::vector<char*>& argv, const ToolOptions& options, const std::string& outPath,
                             const std::string& errPath, int stdinPipe) {
    redirect(2, errPath, O_WRONLY | O_CREAT | O_TRUNC);
    if (options.closeStdout) {
        close(1);
    } else {
        redirect(1, outPath, O_WRONLY | O_CREAT | O_TRUNC);
    }
    if (options.errorToOutput && dup2(1, 2) < 0) fail("dup2");
    if (options.closeStdin) {
        close(0);
    } else if (stdinPipe >= 0) {
        if (dup2(stdinPipe, 0) < 0) fail("dup2");
        close(stdinPipe);
    } else {
        redirect(0, options.stdinPath.empty() ? "/dev/null" : options.stdinPath, O_RDONLY);
    }
    if (options.addressSpaceLimit > 0) {
        const rlimit limit{static_cast<rlim_t>(options.addressSpaceLimit),
                           static_cast<rlim_t>(options.addressSpaceLimit)};
        if (setrlimit(RLIMIT_AS, &limit) != 0) fail("setrlimit");
    }
    if (options.fileSizeLimit > 0) {
        // Past the limit a write fails (EFBIG) rather than end the program.
        const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
        if (signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0) fail("RLIMIT_FSIZE");
    }
    if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) fail("chdir");
    for (const std::string& setting : options.environment)
        if (putenv(const_cast<char*>(setting.c_str())) != 0) fail("putenv");
    if (options.withoutRootOverride) dropRootOverride();
    alarm(options.timeoutSeconds); // a pending alarm survives exec
    execvp(argv[0], argv.data());
    fail("execv");
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

    int pipeEnds[2] = {-1, -1};
    if (options.stdinBytes && pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (pipeEnds[1] >= 0) close(pipeEnds[1]);
        becomeTool(argv, options, outPath, errPath, pipeEnds[0]);
    }
    pid_t feeder = -1;
    if (options.stdinBytes) {
        feeder = startFeeder(pipeEnds[0], pipeEnds[1], *options.stdinBytes);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) throw std::runtime_error("waitpid failed");
    if (feeder > 0) {
        // A tool that stopped reading early has ended the feeder with SIGPIPE.
        int ignored = 0;
        waitpid(feeder, &ignored, 0);
    }
    ToolResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (options.stdoutPath.empty() && !options.closeStdout) result.out = readFile(outPath);
    if (options.stderrPath.empty()) result.err = readFile(errPath);
    return result;
}

} // namespace Fixture
