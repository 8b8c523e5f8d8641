// Line framing cases shared by the native test (a scripted byte source)
// and the Windows test (the real ReadPortByte over the fake call table). A script is what the port delivers, one read at a time: a byte
// value, or kEmpty for a read that comes back with nothing.
#pragma once

#include <string>
#include <vector>

#include "panel/framing.h"

namespace framing {

inline constexpr int kEmpty = -1;

struct Case {
    const char* name;
    std::vector<int> script;
    bool accepted;                   // ReadPanelLine's result
    std::string line;                // the message buffer up to its NUL, when accepted
    std::vector<std::string> logs;   // err lines written, in order
    size_t reads;                    // script entries consumed
};

inline std::vector<int> Bytes(const std::string& s) {
    std::vector<int> v;
    for (char c : s) v.push_back(static_cast<unsigned char>(c));
    return v;
}
inline std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
inline std::vector<int> Empties(int n) { return std::vector<int>(n, kEmpty); }
inline std::vector<int> Nul() { return {0}; }

inline std::string Read(const std::string& line) { return "SulVOR: PLC read this message: " + line; }
inline const std::string kFailed = "SulVOR: Failed to read a character from PLC";

inline std::string Letters(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>('A' + i % 26);
    return s;
}

inline std::string HighBytes(int from, int to) {
    std::string s;
    for (int b = from; b <= to; ++b) s += static_cast<char>(b);
    return s;
}

inline std::vector<Case> Cases() {
    using zid::kMaxEmptyReadsInLine;
    const std::string l100 = Letters(100);
    const std::string high1 = HighBytes(0x80, 0xE3);  // 100 bytes
    const std::string high2 = HighBytes(0xE4, 0xFF);
    return {
        {"plain line", Bytes("ABC") + Nul(), true, "ABC", {Read("ABC")}, 4},
        {"CR and LF dropped", Bytes("\r\nAB\r\nC") + Nul(), true, "ABC", {Read("ABC")}, 8},
        {"lone NUL", Nul(), false, "", {}, 1},
        {"CR LF NUL", Bytes("\r\n") + Nul(), false, "", {}, 3},
        {"100 characters", Bytes(l100) + Nul(), true, l100, {Read(l100)}, 101},
        {"101st character rejects", Bytes(l100 + "XYZ") + Nul(), false, "", {}, 101},
        {"100 characters then silence", Bytes(l100) + Empties(3), false, "", {kFailed}, 101},
        {"bytes 0x80 to 0xE3 unchanged", Bytes(high1) + Nul(), true, high1, {Read(high1)}, 101},
        {"bytes 0xE4 to 0xFF unchanged", Bytes(high2) + Nul(), true, high2, {Read(high2)}, 29},
        {"pause within the bound", Bytes("AB") + Empties(kMaxEmptyReadsInLine) + Bytes("C") + Nul(),
         true, "ABC", {Read("ABC")}, 4 + kMaxEmptyReadsInLine},
        {"pauses reset the bound",
         Bytes("A") + Empties(kMaxEmptyReadsInLine) + Bytes("B") + Empties(kMaxEmptyReadsInLine) +
             Bytes("C") + Nul(),
         true, "ABC", {Read("ABC")}, 4 + 2 * kMaxEmptyReadsInLine},
        {"pause past the bound", Bytes("AB") + Empties(kMaxEmptyReadsInLine + 1) + Bytes("C") + Nul(),
         false, "", {kFailed}, 3 + kMaxEmptyReadsInLine},
        {"port failing every read", Empties(100), false, "", {kFailed},
         static_cast<size_t>(kMaxEmptyReadsInLine) + 1},
        {"empty reads before the first character", Empties(2) + Bytes("Q") + Nul(), true, "Q",
         {Read("Q")}, 4},
    };
}

}  // namespace framing
