// zidhost's console: the timeline on standard output, errors on standard
// error, one line at a time from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/journal_row.h"

namespace zidhost {

// Seconds since zidhost started.
double Elapsed();

// One timeline line: "[   1.234] kind   text".
void Timeline(const char* kind, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));

// "zidhost: text" on standard error.
void Error(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// Lines printed together, none of another thread's between them.
void PrintBlock(const std::string& text);

// The bytes of a log line with everything outside printable ASCII as \xNN.
std::string Escaped(const char* text);

// Each row left out of a damaged journal, "journal:line: row left out: why",
// and what that means for the report, on standard error.
void ReportSkippedRows(const std::string& journal,
                       const std::vector<zidtools::JournalProblem>& skipped);

// What changed between two gate values, in words: "fire on, fault off".
std::string BitChanges(uint16_t before, uint16_t after);

}  // namespace zidhost
