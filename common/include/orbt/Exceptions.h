// The root of every exception that trillo's layers throw.
//
// Every exception is an empty struct: the type alone says what went wrong.
// They are thrown by value and caught by reference; inheritance is public and
// single.  The bases below are never thrown themselves.
#pragma once

namespace OrbT::Ex {

struct Base {};

struct DataError : Base {};   // the input is not what it should be
struct SystemError : Base {}; // the platform refused an operation

struct IllegalFormat : DataError {}; // the container's syntax is broken

// A number field did not convert as a whole.  The readers report that by a
// return value and throw this nowhere: the class stays for programs that
// name it.
struct ParseError : DataError {};

struct CannotOpenFile : SystemError {};
struct CannotReadFile : SystemError {};
struct CannotWriteFile : SystemError {};

} // namespace OrbT::Ex
