// A malloc that fails when told to, preloaded into the tool by the
// allocation-failure tests (LD_PRELOAD):
//
//   TRILLO_FAIL_ALLOCATION=N      the N-th allocation fails (counting from 1)
//   TRILLO_ALLOCATION_COUNT=PATH  at exit, the number of allocations made is
//                                 written to PATH
//
// Counting starts when this library is initialised, before the program's own
// initialisation; what the dynamic loader allocates before that is not
// counted and never fails.  Allocations are served by the C library's own
// functions, which its free takes back.  One thread only.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

bool counting = false;
unsigned long allocations = 0;
unsigned long failAt = 0; // 0: none fails
const char* countPath = nullptr;

unsigned long numberFrom(const char* name) {
    const char* text = std::getenv(name);
    return text == nullptr ? 0 : std::strtoul(text, nullptr, 10);
}

__attribute__((constructor)) void start() {
    failAt = numberFrom("TRILLO_FAIL_ALLOCATION");
    countPath = std::getenv("TRILLO_ALLOCATION_COUNT");
    counting = true;
}

__attribute__((destructor)) void report() {
    counting = false;
    if (countPath == nullptr) return;
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%lu\n", allocations);
    const int file = open(countPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (file < 0) return;
    if (write(file, text, static_cast<std::size_t>(length)) != length) std::fputs("count not written\n", stderr);
    close(file);
}

// Counts one allocation; true when it is to fail.
bool fails() {
    if (!counting) return false;
    ++allocations;
    if (allocations != failAt) return false;
    errno = ENOMEM;
    return true;
}

} // namespace

extern "C" {

void* malloc(std::size_t size) noexcept { return fails() ? nullptr : __libc_malloc(size); }

void* calloc(std::size_t count, std::size_t size) noexcept { return fails() ? nullptr : __libc_calloc(count, size); }

void* realloc(void* block, std::size_t size) noexcept { return fails() ? nullptr : __libc_realloc(block, size); }

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    return fails() ? nullptr : __libc_memalign(alignment, size);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept {
    return fails() ? nullptr : __libc_memalign(alignment, size);
}

int posix_memalign(void** block, std::size_t alignment, std::size_t size) noexcept {
    if (fails()) return ENOMEM;
    void* got = __libc_memalign(alignment, size);
    if (got == nullptr) return ENOMEM;
    *block = got;
    return 0;
}

} // extern "C"
