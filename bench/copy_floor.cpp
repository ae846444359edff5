// copy_floor [--buffer BYTES] <file>: the I/O floor of the benchmarks.
// Reads the file in 1024-byte blocks, as trillo does, and writes every byte
// to standard output.  With --buffer, both streams get buffers of that
// size, as trillo gives its input and a non-terminal output; without one,
// they keep the library's default.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    const bool buffered = argc == 4 && std::strcmp(argv[1], "--buffer") == 0;
    if (argc != 2 && !buffered) {
        std::fputs("usage: copy_floor [--buffer BYTES] <file>\n", stderr);
        return 1;
    }
    const char* path = argv[argc - 1];
    std::FILE* in = std::fopen(path, "rb");
    if (in == nullptr) {
        std::perror(path);
        return 1;
    }
    std::vector<char> inBuffer, outBuffer;
    if (buffered) {
        const std::size_t size = std::strtoul(argv[2], nullptr, 10);
        inBuffer.resize(size);
        outBuffer.resize(size);
        std::setvbuf(in, inBuffer.data(), _IOFBF, size);
        std::setvbuf(stdout, outBuffer.data(), _IOFBF, size);
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
