// The facts of a run's start row in the journal: "key=value" pairs joined by
// "; ". The keys are port, settings, driver, version, sha256, host library,
// tags, site file, site and operator (only those known are given). A ';' or
// '\' inside a value is written with a '\' before it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zidtools {

using StartFacts = std::vector<std::pair<std::string, std::string>>;

std::string StartText(const StartFacts& facts);
StartFacts ParseStartText(const std::string& text);
// The value of a key; empty when it is not there.
std::string FactOf(const StartFacts& facts, const std::string& key);

}  // namespace zidtools
