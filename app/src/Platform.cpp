#include <trillo/Platform.h>

#include <sys/stat.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdint>

namespace Trillo::Platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void appendUtf8(std::string& out, char32_t value) {
    const auto byte = [&out](char32_t bits) { out += static_cast<char>(bits); };
    if (value < 0x80) {
        byte(value);
    } else if (value < 0x800) {
        byte(0xC0 | value >> 6);
        byte(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        byte(0xE0 | value >> 12);
        byte(0x80 | (value >> 6 & 0x3F));
        byte(0x80 | (value & 0x3F));
    } else {
        byte(0xF0 | value >> 18);
        byte(0x80 | (value >> 12 & 0x3F));
        byte(0x80 | (value >> 6 & 0x3F));
        byte(0x80 | (value & 0x3F));
    }
}

void appendUtf16(std::u16string& out, char32_t value) {
    if (value < 0x10000) {
        out += static_cast<char16_t>(value);
        return;
    }
    value -= 0x10000;
    out += static_cast<char16_t>(0xD800 | value >> 10);
    out += static_cast<char16_t>(0xDC00 | (value & 0x3FF));
}

// The lead byte's sequence: its length and the smallest value it may hold
// (a smaller one is an overlong form); length 0 for a byte that cannot lead.
struct Lead {
    std::size_t length;
    char32_t bits;
    char32_t smallest;
};

Lead leadOf(std::uint8_t byte) {
    if (byte < 0x80) return {1, byte, 0};
    if (byte >= 0xC2 && byte <= 0xDF) return {2, byte & 0x1Fu, 0x80};
    if (byte >= 0xE0 && byte <= 0xEF) return {3, byte & 0x0Fu, 0x800};
    if (byte >= 0xF0 && byte <= 0xF4) return {4, byte & 0x07u, 0x10000};
    return {0, 0, 0};
}

// Decodes the sequence at the front of text; kReplacement with length 1 for
// one that is not UTF-8.
char32_t decodeFront(std::string_view text, std::size_t& length) {
    const Lead lead = leadOf(static_cast<std::uint8_t>(text[0]));
    length = 1;
    if (lead.length == 0 || lead.length > text.size()) return kReplacement;
    char32_t value = lead.bits;
    for (std::size_t i = 1; i < lead.length; ++i) {
        const auto byte = static_cast<std::uint8_t>(text[i]);
        if ((byte & 0xC0) != 0x80) return kReplacement;
        value = value << 6 | (byte & 0x3Fu);
    }
    if (value < lead.smallest || value > 0x10FFFF) return kReplacement;
    length = lead.length;
    return value;
}

} // namespace

std::string utf8FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00u));
            ++i;
        } else {
            appendUtf8(out, unit); // a lone surrogate too
        }
    }
    return out;
}

std::u16string utf16FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    while (!text.empty()) {
        std::size_t length = 0;
        appendUtf16(out, decodeFront(text, length));
        text.remove_prefix(length);
    }
    return out;
}

#ifdef _WIN32

namespace {

std::wstring wide(std::string_view text) {
    const std::u16string units = utf16FromUtf8(text);
    return std::wstring(units.begin(), units.end());
}

} // namespace

std::FILE* openFile(const std::string& path, const char* mode) {
    return _wfopen(wide(path).c_str(), wide(mode).c_str());
}

bool removeFile(const std::string& path) { return _wremove(wide(path).c_str()) == 0; }

bool namesRegularFile(const std::string&, std::FILE* stream) {
    struct _stat64 info {};
    return _fstat64(_fileno(stream), &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
}

void useBinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::FILE* openStandardInput() {
    const int descriptor = _dup(_fileno(stdin));
    if (descriptor < 0) return nullptr;
    _setmode(descriptor, _O_BINARY);
    std::FILE* stream = _fdopen(descriptor, "rb");
    if (stream == nullptr) _close(descriptor);
    return stream;
}

std::vector<std::string> arguments(int argc, wchar_t** argv) {
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view word(argv[i]);
        words.push_back(utf8FromUtf16(std::u16string(word.begin(), word.end())));
    }
    return words;
}

#else

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool removeFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool namesRegularFile(const std::string& path, std::FILE* stream) {
    struct stat opened {};
    struct stat named {};
    return fstat(fileno(stream), &opened) == 0 && lstat(path.c_str(), &named) == 0 && S_ISREG(named.st_mode) &&
           named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

void useBinaryStandardStreams() {}

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

std::FILE* openStandardInput() {
    const int descriptor = dup(STDIN_FILENO);
    if (descriptor < 0) return nullptr;
    std::FILE* stream = fdopen(descriptor, "rb");
    if (stream == nullptr) close(descriptor);
    return stream;
}

std::vector<std::string> arguments(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }

#endif

} // namespace Trillo::Platform
