#include "tools/common/start_facts.h"

namespace zidtools {

std::string StartText(const StartFacts& facts) {
    std::string out;
    for (const auto& [key, value] : facts) {
        if (!out.empty()) out += "; ";
        out += key;
        out += '=';
        for (char c : value) {
            if (c == ';' || c == '\\') out += '\\';
            out += c;
        }
    }
    return out;
}

StartFacts ParseStartText(const std::string& text) {
    StartFacts facts;
    std::string pair;
    auto take = [&] {
        const size_t eq = pair.find('=');
        if (eq != std::string::npos) facts.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
        pair.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            pair += text[++i];
        } else if (text[i] == ';') {
            take();
            while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
        } else {
            pair += text[i];
        }
    }
    take();
    return facts;
}

std::string FactOf(const StartFacts& facts, const std::string& key) {
    for (const auto& [k, v] : facts)
        if (k == key) return v;
    return {};
}

}  // namespace zidtools
