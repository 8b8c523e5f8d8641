// The state file: what the gates and status words hold, one per line,
// written by zidhost at the end of a run (--state-file) and, with the
// panel's history, by zidpanel's model of what a driver should show
// (--expect); the demo's checker compares the two.
//
//   gate 031200 0x0001        a gate's value
//   status F 1                a status word
//   history 031200 0x0001 0x0000   every value a gate took, in order
//   lines 114000 1 0          fire and fault-start lines naming an address
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zidtools {

std::string GateStateLine(const std::string& address, uint16_t value);
std::string StatusStateLine(char word, uint16_t value);
std::string HistoryStateLine(const std::string& address, const std::vector<uint16_t>& values);
std::string LinesStateLine(const std::string& address, int fireLines, int faultLines);

// An unreadable gate (zidhost could not read it back).
std::string UnreadableGateStateLine(const std::string& address);

struct StateFile {
    // "gate 031200" or "status F" -> "0x0001" or "1", in the order given.
    std::map<std::string, std::string> values;
    std::vector<std::string> order;
    // Address -> "0x0001 0x0000", in the order given.
    std::map<std::string, std::string> history;
    std::vector<std::string> historyOrder;
    std::map<std::string, std::pair<int, int>> lines;
};

// Lines of other forms are skipped.
StateFile ParseStateFile(const std::string& text);

}  // namespace zidtools
