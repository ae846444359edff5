#include <liedwerk/ViewHooks.h>

namespace Liedwerk::ParseVSQs {

ViewHooks::~ViewHooks() = default;

void ViewHooks::onLines(std::int32_t track, std::string_view section, std::string_view lines) {
    eachLine(
        lines,
        [&](std::string_view name) {
            if (!section.empty()) onEndSection(track, section);
            section = name;
            onBeginSection(track, name);
        },
        [&](std::string_view key, std::string_view value) { onField(track, section, key, value); });
}

} // namespace Liedwerk::ParseVSQs
