// The tool runner on Windows: CreateProcessW with the standard handles that
// the options ask for, the arguments quoted as the C runtime splits them.
#include "RunTool.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

namespace Fixture {

namespace {

std::wstring wide(const std::string& text) { return std::filesystem::u8path(text).wstring(); }

// One argument as the C runtime reads it back: in quotes when it holds a
// blank or a quote or is empty; a quote escaped, and the backslashes before
// a quote (or the closing one) doubled.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

// A handle that the child inherits; closed by the destructor.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (valid()) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept { std::swap(handle_, other.handle_); }
    Handle& operator=(Handle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

SECURITY_ATTRIBUTES inheritable() { return {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE}; }

Handle openForChild(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES attributes = inheritable();
    Handle handle(CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              &attributes, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) throw std::runtime_error("cannot open " + path);
    return handle;
}

void refuseUnknownOptions(const ToolOptions& options) {
    if (options.closeStdin || !options.environment.empty() || options.addressSpaceLimit != 0 ||
        options.fileSizeLimit != 0 || options.timeoutSeconds != 0 || options.withoutRootOverride)
        throw std::logic_error("runTool: an option that the Windows runner does not have");
}

// Starts the program.  Wine, on a loaded machine, now and then fails to start
// a process that starts at once when asked again; a program that cannot start
// fails every attempt, and the error names the system's reason.
PROCESS_INFORMATION start(const std::string& binary, std::wstring commandLine, const std::wstring& workingDirectory,
                          STARTUPINFOW& startup) {
    constexpr int kAttempts = 5;
    DWORD error = 0;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0) Sleep(200 * attempt);
        PROCESS_INFORMATION process{};
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                           workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &process))
            return process;
        error = GetLastError();
        std::fprintf(stderr, "runTool: CreateProcessW failed for %s (error %lu), attempt %d of %d\n", binary.c_str(),
                     static_cast<unsigned long>(error), attempt + 1, kAttempts);
    }
    throw std::runtime_error("cannot start " + binary + " (error " + std::to_string(error) + ")");
}

} // namespace

TempDir::TempDir() {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
        const std::filesystem::path candidate = base / ("trillo-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate.u8string();
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code failed;
    std::filesystem::remove_all(std::filesystem::u8path(path_), failed);
    if (failed) std::fprintf(stderr, "could not remove %s\n", path_.c_str());
}

ToolResult runTool(const std::string& binary, const std::vector<std::string>& args, const ToolOptions& options) {
    refuseUnknownOptions(options);
    TempDir dir;
    const std::string outPath = options.stdoutPath.empty() ? dir.path() + "/stdout" : options.stdoutPath;
    const std::string errPath = options.stderrPath.empty() ? dir.path() + "/stderr" : options.stderrPath;

    Handle out;
    if (!options.closeStdout) out = openForChild(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    Handle err = openForChild(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    Handle in;
    Handle feed; // the pipe's end that a thread of ours fills
    if (options.stdinBytes) {
        SECURITY_ATTRIBUTES attributes = inheritable();
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &attributes, 0)) throw std::runtime_error("CreatePipe failed");
        in = Handle(readEnd);
        feed = Handle(writeEnd);
        if (!SetHandleInformation(feed.get(), HANDLE_FLAG_INHERIT, 0))
            throw std::runtime_error("SetHandleInformation failed"); // the tool would wait for its own end
    } else {
        in = openForChild(options.stdinPath.empty() ? "NUL" : options.stdinPath, GENERIC_READ, OPEN_EXISTING);
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = options.closeStdout ? INVALID_HANDLE_VALUE : out.get();
    startup.hStdError = options.errorToOutput ? startup.hStdOutput : err.get();
    std::wstring commandLine = quoted(wide(binary));
    for (const std::string& arg : args) commandLine += L" " + quoted(wide(arg));
    const std::wstring workingDirectory = wide(options.workingDirectory);
    const PROCESS_INFORMATION process = start(binary, commandLine, workingDirectory, startup);
    Handle processHandle(process.hProcess);
    Handle threadHandle(process.hThread);
    in = Handle(); // the child holds its own copies now
    out = Handle();
    err = Handle();

    // Writes the bytes into the pipe; stops when the tool no longer reads.
    std::thread feeder;
    if (options.stdinBytes) {
        feeder = std::thread([&feed, &bytes = *options.stdinBytes] {
            for (std::size_t done = 0; done < bytes.size();) {
                DWORD written = 0;
                const DWORD part = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 16));
                if (!WriteFile(feed.get(), bytes.data() + done, part, &written, nullptr) || written == 0) break;
                done += written;
            }
            feed = Handle();
        });
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    if (feeder.joinable()) feeder.join();
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);

    ToolResult result;
    result.status = static_cast<int>(status);
    if (options.stdoutPath.empty() && !options.closeStdout) result.out = readFile(outPath);
    if (options.stderrPath.empty()) result.err = readFile(errPath);
    return result;
}

} // namespace Fixture
