#include <trillo/ToolText.h>

#include "Version.h"

namespace Trillo {

namespace {

constexpr char kHelp[] = "usage: trillo <file>\n"
                         "       trillo -\n"
                         "       trillo --help | --version\n"
                         "\n"
                         "Checks one VSQ sequence file (a format-1 Standard MIDI File whose voice\n"
                         "tracks carry INI-like text) and prints its contents as INI-like text on\n"
                         "standard output.  With -, the file is read from standard input; a file\n"
                         "named - is reached as ./-.\n"
                         "\n"
                         "Exit status: 0 when the dump is complete; 1 on any failure, after one\n"
                         "line on standard error (the part of the dump written before the failure\n"
                         "stays on standard output).\n"
                         "\n"
                         "The manual page trillo(1) tells the dump's format and every error line.\n";

} // namespace

const char* helpText() noexcept { return kHelp; }

const char* versionLine() noexcept { return kVersionLine; }

const char* version() noexcept { return kVersion; }

} // namespace Trillo
