// Writes the shared cases (Cases.h) into a folder, for the tests of the
// Python package and of the web module:
//   make_cases <folder> <song.vsq>
// For each case NAME: NAME.vsq, the input; NAME.stdout, NAME.stderr and
// NAME.status, what `trillo NAME.vsq` prints and its exit status.  Then
// cases.json, the index: every case in table order with its group, its
// description, and for a failure its message and the class that raises it;
// and the message of each class by its name.  song.vsq is the bundled
// example, whose every proper prefix is a case.  Files of an earlier run
// that are no longer cases are removed.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "Cases.h"
#include "ErrorClasses.h"

namespace {

using namespace Fixture;
namespace fs = std::filesystem;

void save(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string load(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A JSON string of ASCII text; any other byte is refused.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c >= 0x20 && c < 0x7F) {
            out += c;
        } else {
            throw std::invalid_argument("not printable ASCII: " + text);
        }
    }
    return out + "\"";
}

std::string withoutNewline(const std::string& message) { return message.substr(0, message.size() - 1); }

const char* const kSuffixes[] = {".vsq", ".stdout", ".stderr", ".status"};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: make_cases <folder> <song.vsq>\n", stderr);
        return 2;
    }
    try {
        const fs::path folder = argv[1];
        const std::string song = load(argv[2]);
        const struct {
            const char* group;
            std::vector<Case> cases;
        } groups[] = {
            {"valid", validCases()},         {"error", errorCases()},
            {"generated", generatedCases()}, {"cut", cutCases(bytesOf(song), fs::path(argv[2]).filename().string())},
            {"large", largeCases()},
        };
        fs::create_directories(folder);
        std::set<std::string> names;
        std::string index = "{\n  \"cases\": [";
        const char* separator = "\n";
        for (const auto& group : groups) {
            for (const Case& c : group.cases) {
                const std::string name = nameOf(c.what);
                if (name.empty() || !names.insert(name).second)
                    throw std::logic_error("a second case named \"" + name + "\"");
                const fs::path stem = folder / name;
                save(stem.string() + ".vsq", textOf(c.input));
                save(stem.string() + ".stdout", c.out);
                save(stem.string() + ".stderr", c.message.empty() ? "" : "Error: " + c.message);
                save(stem.string() + ".status", c.message.empty() ? "0\n" : "1\n");
                index += separator;
                separator = ",\n";
                index += "    {\"name\": " + quoted(name) + ", \"group\": " + quoted(group.group) +
                         ", \"what\": " + quoted(c.what) + ", \"status\": " + (c.message.empty() ? "0" : "1");
                if (!c.message.empty())
                    index += ", \"message\": " + quoted(withoutNewline(c.message)) + ", \"kind\": " + quoted(c.kind);
                index += "}";
            }
        }
        index += "\n  ],\n  \"messages\": {";
        separator = "\n";
        std::set<std::string> kinds;
        for (const ErrorClass& row : errorClasses()) {
            if (row.kind == "(none)" || !kinds.insert(row.kind).second) continue;
            index += separator + std::string("    ") + quoted(row.kind) + ": " + quoted(withoutNewline(row.message));
            separator = ",\n";
        }
        index += "\n  }\n}\n";
        // What an earlier run left that is no case now.
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            const fs::path path = entry.path();
            for (const char* suffix : kSuffixes)
                if (path.extension() == suffix && names.count(path.stem().string()) == 0) fs::remove(path);
        }
        save(folder / "cases.json", index);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_cases: %s\n", error.what());
        return 1;
    }
}
