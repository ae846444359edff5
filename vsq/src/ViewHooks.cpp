#include <liedwerk/ViewHooks.h>

#include <cstring>

namespace Liedwerk::ParseVSQs {

ViewHooks::~ViewHooks() = default;

void ViewHooks::onFieldLines(std::int32_t track, std::string_view section, std::string_view lines) {
    while (!lines.empty()) {
        const std::size_t newline = lines.find('\n');
        const std::string_view line = lines.substr(0, newline);
        const std::size_t equals = line.find('=');
        onField(track, section, line.substr(0, equals), line.substr(equals + 1));
        lines.remove_prefix(newline + 1);
    }
}

} // namespace Liedwerk::ParseVSQs
