// The system's failures as its users see them: the dump library's own
// exceptions, and the one table that names every exception class and gives
// the message of its error line.  Every front end (the tool, the Python
// package, the web module) asks this table; none writes a message itself.
#pragma once

#include <cstddef>

#include <orbt/Exceptions.h>

namespace Trillo {

namespace Ex {

// A voice track ended without any section: an SMF, but not a VSQ file.
struct NoText : OrbT::Ex::DataError {};

// Bytes follow the last announced track chunk.
struct TrailingBytes : OrbT::Ex::DataError {};

} // namespace Ex

// One class of the system's exceptions that reaches the user.
//   kind     the class's name without its namespace ("UnexpectedFileEnd");
//            "OutOfMemory" for std::bad_alloc
//   base     the kind of the family it belongs to: "IllegalFormat" (the
//            SMF's own structure), "DataError" (any other fault of the
//            file), "SystemError" (the file or the output), "MemoryError"
//   message  the error line's text after "Error: ", with its "\n"; several
//            kinds share one ("Some DM frames lacked.", "exception caught.")
struct ErrorKind {
    const char* kind;
    const char* base;
    const char* message;
    bool (*isCurrent)() noexcept; // whether the exception being handled is of this class
};

// Every entry, in the order in which they are tried: no class in the table
// has a subclass there, so the order decides nothing.
const ErrorKind* errorKinds() noexcept;
std::size_t errorKindCount() noexcept;

// What the exception being handled is: its kind (null for a class that is
// not the system's own) and its message ("exception caught.\n" for a class
// without an entry).  Call it only inside a catch block.
struct ErrorText {
    const char* kind;
    const char* message;
};
ErrorText describeCurrentError() noexcept;

// The message alone: describeCurrentError().message.
const char* currentErrorMessage() noexcept;

} // namespace Trillo
