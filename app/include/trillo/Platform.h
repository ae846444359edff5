// What the programs need of the system beyond standard C++: their arguments
// as the user typed them, files opened by those names, and standard streams
// that pass every byte unchanged.  On Windows, names are the system's UTF-16
// held as UTF-8 (with an unpaired surrogate kept as its three bytes, so that
// every name the system gives can be opened again); elsewhere they are the
// bytes as given.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace Trillo::Platform {

// Opens the file at path, as std::fopen does with this mode; null on failure.
std::FILE* openFile(const std::string& path, const char* mode);

// Removes the file at path; false when that fails.
bool removeFile(const std::string& path);

// Whether path itself names the regular file that stream has open: not a
// device, not a pipe, and (where the system has them) not a link to it.
bool namesRegularFile(const std::string& path, std::FILE* stream);

// Standard input, output and error in binary mode: no byte of a file or a
// dump is changed on its way ("\n" is not widened, 0x1A does not end the
// input).  Nothing to do outside Windows.
void useBinaryStandardStreams();

// A stream of its own, in binary mode, on a copy of standard input's
// descriptor, reading from where standard input stands: closing it leaves
// standard input as it was.  Null when standard input is closed.
std::FILE* openStandardInput();

// Whether the stream is a terminal.
bool isTerminal(std::FILE* stream);

// UTF-16 and the UTF-8 that holds it, both ways.  An unpaired surrogate is
// held as the three bytes that UTF-8 would give its value and comes back as
// itself; bytes that are not UTF-8 come back as U+FFFD each.
std::string utf8FromUtf16(std::u16string_view text);
std::u16string utf16FromUtf8(std::string_view text);

// The characters of the arguments that the program's entry point receives:
// wmain's on Windows, main's elsewhere.
#ifdef _WIN32
using ArgumentChar = wchar_t;
#else
using ArgumentChar = char;
#endif

// The arguments after the program's name, as UTF-8 on Windows and as given
// elsewhere.
std::vector<std::string> arguments(int argc, ArgumentChar** argv);

} // namespace Trillo::Platform
