// Every exception class that may reach the tool's handler, with the kind and
// the message that describeCurrentError must give it: checked by ErrorsTest,
// and written into the shared cases' index for the Python package's classes.
#pragma once

#include <string>
#include <vector>

namespace Fixture {

struct ErrorClass {
    std::string name;    // the class, as its demangled type name reads
    std::string kind;    // the kind it must be given; "(none)" for a class that is not the system's own
    std::string message; // the message it must meet, with its newline
    void (*raise)();     // throws an object of the class
};

std::vector<ErrorClass> errorClasses();

} // namespace Fixture
