// The tool's own exception, and the one handler that turns any exception
// into the single error line that the user sees.
#pragma once

#include <orbt/Exceptions.h>

namespace Trillo {

namespace Ex {

// A voice track ended without any section: an SMF, but not a VSQ file.
struct NoText : OrbT::Ex::DataError {};

} // namespace Ex

// The message of the exception being handled: call it only inside a catch
// block.  Classes without a message of their own give "exception caught.\n".
const char* currentErrorMessage() noexcept;

// Writes "Error: " and the message (which ends with its own "\n") to standard
// error and ends the process with status 1 through the normal exit path, so
// what standard output holds is flushed.
[[noreturn]] void exitWithError(const char* message);

} // namespace Trillo
