// The test folder's files, on every system: names are UTF-8, which
// std::filesystem::u8path turns into the system's own (wide on Windows).
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "RunTool.h"

namespace Fixture {

std::string TempDir::write(const std::string& name, const Bytes& bytes) const {
    const std::string path = path_ + "/" + name;
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::u8path(path), ignored);
}

} // namespace Fixture
