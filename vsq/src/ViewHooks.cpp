#include <liedwerk/ViewHooks.h>

namespace Liedwerk::ParseVSQs {

ViewHooks::~ViewHooks() = default;

// The lines are checked: a section line is "[name]", a field line has an "="
// after its first byte, and every line ends in "\n".
void ViewHooks::onLines(std::int32_t track, std::string_view section, std::string_view lines) {
    while (!lines.empty()) {
        const std::size_t newline = lines.find('\n');
        const std::string_view line = lines.substr(0, newline);
        lines.remove_prefix(newline + 1);
        if (line[0] == '[') {
            if (!section.empty()) onEndSection(track, section);
            section = line.substr(1, line.size() - 2);
            onBeginSection(track, section);
        } else {
            const std::size_t equals = line.find('=');
            onField(track, section, line.substr(0, equals), line.substr(equals + 1));
        }
    }
}

} // namespace Liedwerk::ParseVSQs
