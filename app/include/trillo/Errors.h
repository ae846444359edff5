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

// The message of the exception being handled: call it only inside a catch
// block.  Classes without a message of their own give "exception caught.\n".
const char* currentErrorMessage() noexcept;

// Writes "Error: " and the message (which ends with its own "\n") to standard
// error.  A failure to write is ignored: there is nowhere left to report it.
void writeErrorLine(const char* message) noexcept;

} // namespace Trillo
