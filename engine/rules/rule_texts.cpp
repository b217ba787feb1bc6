#include "engine/rules/rule_texts.h"

namespace vox::rules {

std::string fillIn(std::string_view pattern, std::string_view value) {
    std::string text(pattern);
    std::size_t at = text.find('%');
    while (at != std::string::npos && at + 1 < text.size() && text[at + 1] != 's' &&
           text[at + 1] != 'd')
        at = text.find('%', at + 1);
    if (at == std::string::npos || at + 1 >= text.size()) return text;
    return text.replace(at, 2, value);
}

std::string unstorableNameText(std::string_view name, std::string_view reason) {
    return fillIn(texts::kUnstorableName, name) + std::string(reason) + ".";
}

}  // namespace vox::rules
