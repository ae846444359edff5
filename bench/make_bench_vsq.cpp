// make_bench_vsq [--in-order] <megabytes> <output-file>: writes the benchmark
// VSQ file of about that many megabytes (10^6 bytes; fractions allowed).  The
// same size always gives the same bytes.  --in-order keeps every frame in its
// place (by default about one in 50 comes before its turn).
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BenchVsq.h"

int main(int argc, char** argv) {
    const bool inOrder = argc == 4 && std::strcmp(argv[1], "--in-order") == 0;
    if (inOrder) ++argv;
    if (argc != 3 && !inOrder) {
        std::fputs("usage: make_bench_vsq [--in-order] <megabytes> <output-file>\n", stderr);
        return 1;
    }
    char* end = nullptr;
    errno = 0;
    const double megabytes = std::strtod(argv[1], &end);
    if (end == argv[1] || *end != '\0' || errno != 0 || !(megabytes > 0) || megabytes > 1e6) {
        std::fputs("make_bench_vsq: the size must be a positive number of megabytes\n", stderr);
        return 1;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    bool ok = true;
    Bench::writeVsq(
        static_cast<std::uint64_t>(std::llround(megabytes * 1e6)),
        [&](const Fixture::Bytes& chunk) {
            ok = ok && std::fwrite(chunk.data(), 1, chunk.size(), out) == chunk.size();
        },
        inOrder ? Bench::Frames::InOrder : Bench::Frames::SomeSwapped);
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
