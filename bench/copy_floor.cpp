// copy_floor <file>: the I/O floor of the benchmarks.  Reads the file in
// 1024-byte blocks, as trillo does, and writes every byte to standard output.
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: copy_floor <file>\n", stderr);
        return 1;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    if (in == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    unsigned char block[1024];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, in)) != 0) {
        if (std::fwrite(block, 1, n, stdout) != n) return 1;
    }
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    return failed || std::fflush(stdout) != 0 ? 1 : 0;
}
