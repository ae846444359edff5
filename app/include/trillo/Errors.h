// The tool's own exceptions, and the one handler that turns any exception
// into the single error line that the user sees.
#pragma once

#include <orbt/Exceptions.h>

namespace Trillo {

namespace Ex {

// A voice track ended without any section: an SMF, but not a VSQ file.
struct NoText : OrbT::Ex::DataError {};

// Bytes follow the last announced track chunk.
struct TrailingBytes : OrbT::Ex::DataError {};

} // namespace Ex

// What the exception being handled is: the name of its class, without the
// namespace ("UnexpectedFileEnd"; "OutOfMemory" for std::bad_alloc; null for
// a class that is not the system's own), and the message of the tool's error
// line, ending with its "\n" ("exception caught.\n" for the classes without
// a message of their own).  Call it only inside a catch block.
struct ErrorText {
    const char* kind;
    const char* message;
};
ErrorText describeCurrentError() noexcept;

// The message alone: describeCurrentError().message.
const char* currentErrorMessage() noexcept;

// Writes "Error: " and the message (which ends with its own "\n") to standard
// error.  A failure to write is ignored: there is nowhere left to report it.
void writeErrorLine(const char* message) noexcept;

} // namespace Trillo
