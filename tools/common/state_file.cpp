#include "tools/common/state_file.h"

#include <cstdio>
#include <cstdlib>

#include "tools/common/text_file.h"

namespace zidtools {

std::string GateStateLine(const std::string& address, uint16_t value) {
    char text[48];
    std::snprintf(text, sizeof text, " 0x%04X\n", value);
    return "gate " + address + text;
}

std::string UnreadableGateStateLine(const std::string& address) {
    return "gate " + address + " unreadable\n";
}

std::string StatusStateLine(char word, uint16_t value) {
    return std::string("status ") + word + " " + std::to_string(value) + "\n";
}

std::string HistoryStateLine(const std::string& address, const std::vector<uint16_t>& values) {
    std::string out = "history " + address;
    char text[16];
    for (uint16_t v : values) {
        std::snprintf(text, sizeof text, " 0x%04X", v);
        out += text;
    }
    return out + "\n";
}

std::string LinesStateLine(const std::string& address, int fireLines, int faultLines) {
    return "lines " + address + " " + std::to_string(fireLines) + " " +
           std::to_string(faultLines) + "\n";
}

StateFile ParseStateFile(const std::string& text) {
    StateFile state;
    const Outcome<std::vector<TextLine>> lines = SplitTextLines(text, "state");
    if (!lines) return state;
    for (const TextLine& line : *lines) {
        const std::vector<std::string> w = WordsOf(line.text);
        if (w.size() < 3) continue;
        if (w[0] == "history") {
            std::string values;
            for (size_t i = 2; i < w.size(); ++i) values += (i > 2 ? " " : "") + w[i];
            state.history[w[1]] = values;
            state.historyOrder.push_back(w[1]);
        } else if (w[0] == "lines" && w.size() == 4) {
            state.lines[w[1]] = {std::atoi(w[2].c_str()), std::atoi(w[3].c_str())};
        } else if (w[0] == "gate" || w[0] == "status") {
            const std::string key = w[0] + " " + w[1];
            if (!state.values.count(key)) state.order.push_back(key);
            state.values[key] = w[2];
        }
    }
    return state;
}

}  // namespace zidtools
