#include "tools/common/option_table.h"

namespace zidtools {

std::string UsageEntry(const char* name, const char* value, OptionValue takes, const char* help) {
    constexpr size_t kHelpColumn = 22;
    std::string head = std::string("  ") + name;
    if (value != nullptr)
        head += takes == OptionValue::kOptional ? std::string(" [") + value + "]"
                                                : std::string(" ") + value;
    head += head.size() + 1 < kHelpColumn ? std::string(kHelpColumn - head.size(), ' ') : "  ";
    std::string out;
    std::string line;
    for (const char* c = help;; ++c) {
        if (*c != '\n' && *c != '\0') {
            line += *c;
            continue;
        }
        out += (out.empty() ? head : std::string(kHelpColumn, ' ')) + line + "\n";
        line.clear();
        if (*c == '\0') break;
    }
    return out;
}

}  // namespace zidtools
