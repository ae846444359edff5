// trillo._trillo: the package's extension module.  The public functions, with
// their documentation, are in trillo/__init__.py; these take the same sources.
#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include <sys/stat.h>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <liedwerk/WriteVSQ.h>
#include <trillo/DumpFormat.h>
#include <trillo/DumpWriter.h>
#include <trillo/Errors.h>
#include <trillo/ReadLoop.h>
#include <trillo/ToolText.h>

#include "Builder.h"
#include "Failures.h"
#include "Sinks.h"
#include "Sources.h"
#include "Texts.h"
#include "Write.h"

namespace py = pybind11;

namespace TrilloPy {

namespace {

// Turns the cyclic garbage collector off for its lifetime, if it was on.
class CollectorPause {
public:
    CollectorPause() : wasEnabled_(PyGC_Disable() != 0) {}
    ~CollectorPause() {
        if (wasEnabled_) PyGC_Enable();
    }
    CollectorPause(const CollectorPause&) = delete;
    CollectorPause& operator=(const CollectorPause&) = delete;

private:
    bool wasEnabled_;
};

bool isPath(py::handle source) { return PyUnicode_Check(source.ptr()) || py::hasattr(source, "__fspath__"); }

// A str or os.PathLike as the bytes that the system takes (os.fsencode).
std::string pathBytes(py::handle source) {
    const py::object path = py::reinterpret_steal<py::object>(PyOS_FSPath(source.ptr()));
    if (!path) throw py::error_already_set();
    const py::bytes bytes = PyBytes_Check(path.ptr())
                                ? py::reinterpret_borrow<py::bytes>(path)
                                : py::reinterpret_steal<py::bytes>(PyUnicode_EncodeFSDefault(path.ptr()));
    if (!bytes) throw py::error_already_set();
    std::string result = bytes;
    if (result.find('\0') != std::string::npos) throw py::value_error("embedded null byte");
    return result;
}

// The size of the file at path, or 0 if it is unknown: a hint only.
std::size_t fileSize(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
    return static_cast<std::size_t>(status.st_size);
}

// Calls run with a function that feeds a receiver from the source (the file
// at a path, a file object's read, or a bytes-like object's memory) and the
// size of the input where it is known beforehand (0 otherwise).
template <class Run>
auto withSource(py::handle source, Run&& run) {
    if (isPath(source)) {
        const std::string path = pathBytes(source);
        const auto feed = [&path](Liedwerk::ParseVSQs::ViewHooks& receiver) {
            PathSource file(path);
            Trillo::readAll(file, receiver);
        };
        return run(feed, fileSize(path));
    }
    if (py::hasattr(source, "read")) {
        FileObjectSource file(source);
        return run([&file](Liedwerk::ParseVSQs::ViewHooks& receiver) { Trillo::readAll(file, receiver); }, 0);
    }
    BufferSource buffer(source);
    const auto feed = [&buffer](Liedwerk::ParseVSQs::ViewHooks& receiver) { Trillo::readAll(buffer, receiver); };
    return run(feed, buffer.size());
}

// Dumps with the GIL released.  What was dumped before a failure is handed to
// the sink as well, as the tool does; the failure is returned.
template <class Feed>
std::exception_ptr dumpUnlocked(Feed& feed, OrbT::ByteSink& sink) {
    py::gil_scoped_release unlocked;
    Trillo::DumpWriter writer(sink);
    try {
        feed(writer);
        writer.flush();
        return nullptr;
    } catch (...) {
        try {
            writer.flush();
        } catch (...) {
        }
        return std::current_exception();
    }
}

py::bytes dump(py::handle source) {
    return withSource(source, [](auto&& feed, std::size_t inputSize) {
        BytesSink sink(inputSize); // the dump is about as large as its input
        const std::exception_ptr failure = dumpUnlocked(feed, sink);
        py::bytes result = sink.take();
        if (failure) raiseFailure(failure, result);
        return result;
    });
}

void dumpToDescriptor(py::handle source, int descriptor) {
    withSource(source, [descriptor](auto&& feed, std::size_t) {
        DescriptorSink sink(descriptor);
        const std::exception_ptr failure = dumpUnlocked(feed, sink);
        if (failure) raiseFailure(failure, py::none());
    });
}

// Reads with the GIL held: the builder makes Python objects as the events
// arrive.  The collector stays off meanwhile: the objects hold no cycles, and
// a collection every few hundred new lists and tuples would walk the growing
// sequence again and again.
py::object read(py::handle source, const std::optional<std::string>& encoding) {
    return withSource(source, [&encoding](auto&& feed, std::size_t) {
        const CollectorPause pause;
        SequenceBuilder builder(encoding ? encoding->c_str() : nullptr);
        std::exception_ptr failure;
        try {
            feed(builder);
        } catch (...) {
            failure = std::current_exception();
        }
        py::object sequence = builder.finish();
        if (failure) raiseFailure(failure, sequence);
        return sequence;
    });
}

} // namespace

} // namespace TrilloPy

PYBIND11_MODULE(_trillo, module) {
    module.doc() = "trillo's extension module; use the functions of the trillo package.";
    module.def("dump", &TrilloPy::dump, py::arg("source"),
               "dump(source) -> bytes: the tool's standard output for source; see trillo.dump.");
    module.def("dump_to_fd", &TrilloPy::dumpToDescriptor, py::arg("source"), py::arg("fd"),
               "dump_to_fd(source, fd): writes the dump to a file descriptor as it is made; a failure's "
               "exception has partial None (the bytes before it were written).");
    module.def(
        "help_text", [] { return std::string(Trillo::helpText()); },
        "help_text() -> str: what the tool prints for --help.");
    module.def(
        "version_line", [] { return std::string(Trillo::versionLine()); },
        "version_line() -> str: what the tool prints for --version.");
    module.def(
        "errors",
        [] {
            py::list kinds;
            for (std::size_t i = 0; i < Trillo::errorKindCount(); ++i) {
                const Trillo::ErrorKind& entry = Trillo::errorKinds()[i];
                kinds.append(py::make_tuple(entry.kind, entry.base, entry.message));
            }
            return kinds;
        },
        "errors() -> list of (kind, base, message): the libraries' table of failures, whose kinds "
        "trillo's exception classes are named after.");
    module.attr("MAX_DIVISION") = Liedwerk::WriteVSQs::kMaxDivision;
    module.attr("MAX_NUMERATOR") = Liedwerk::WriteVSQs::kMaxNumerator;
    module.attr("TICK_OUT_OF_RANGE") = Trillo::DumpFormat::kTickOutOfRange;
    module.def("read", &TrilloPy::read, py::arg("source"), py::arg("encoding") = py::none(),
               "read(source, encoding=None) -> trillo.Sequence; see trillo.read.");
    module.def("write", &TrilloPy::write, py::arg("division"), py::arg("tempo_map"), py::arg("voices"),
               "write(division, tempo_map, voices) -> bytes, or (kind, index, offset, description) for the "
               "writer's first problem; see trillo.write.");
    module.def(
        "voice_texts",
        [](const py::list& tracks, const std::string& encoding, py::handle trackType, py::handle pair) {
            return TrilloPy::voiceTexts(tracks, encoding.c_str(), trackType, pair);
        },
        py::arg("tracks"), py::arg("encoding"), py::arg("track_type"), py::arg("pair"),
        "voice_texts(tracks, encoding, track_type, pair) -> list of bytes, or (where, kind, message) for the "
        "first part that no line carries as it is; see trillo.write.");
    module.def(
        "locate",
        [](const py::list& tracks, std::size_t number, const std::string& encoding, py::handle trackType,
           py::handle pair) { return TrilloPy::locate(tracks, number, encoding.c_str(), trackType, pair); },
        py::arg("tracks"), py::arg("number"), py::arg("encoding"), py::arg("track_type"), py::arg("pair"),
        "locate(tracks, number, encoding, track_type, pair) -> (where, kind, message) | None: the first part "
        "of tracks[number] that its line cannot carry.");
    module.def("describe", &TrilloPy::describe, py::arg("kind"),
               "describe(kind) -> str: what the writer says of a problem kind, such as \"DivisionOutOfRange\".");
    module.def("unprintable_tempo", &Trillo::DumpFormat::unprintableTempo, py::arg("bpm"),
               "unprintable_tempo(bpm) -> str: what is said of a tempo for which microseconds_per_quarter has "
               "none.");
    module.def("microseconds_per_quarter", &TrilloPy::microsecondsPerQuarter, py::arg("bpm"),
               "microseconds_per_quarter(bpm) -> int | None: the 24-bit tempo that prints as bpm does with two "
               "decimals (0 for inf), or None.");
}
