// The walk-test record's identity: the premises, the panel, the test and
// the people, from a [record] section in the site file, or in a file of its
// own (zidhost --record FILE):
//
//   [record]
//   premises = Beit Hadar, building A
//   panel-serial = 12-3456
//   test-type = acceptance
//
// Every key is optional: a missing one leaves a blank on the record to fill
// in by hand. An unknown key is refused, naming the file and the line. The
// identity travels in the journal's start rows, so a record rebuilt from
// the journal alone shows it too.
#pragma once

#include <map>
#include <string>

#include "tools/common/outcome.h"
#include "tools/common/start_facts.h"

namespace zidtools {

// The keys, in the order the record shows them.
inline constexpr const char* kRecordKeys[] = {
    "premises",       "address",    "owner",    "panel-model", "panel-serial",
    "panel-firmware", "panel-location", "test-type", "standard", "company",
    "engineer",       "licence",    "witness"};

// Key -> value; keys not given are missing.
using RecordIdentity = std::map<std::string, std::string>;

// The [record] section of a file of sections (a record file, or a site
// file, whose [channel N] sections are left to the site file's reader).
// Other sections, a second [record] and unknown keys are refused.
Outcome<RecordIdentity> ParseRecordFile(const std::string& bytes, const std::string& path);
// The same from a file; notice is set when the file was read as Windows-1255.
Outcome<RecordIdentity> ReadRecordFile(const std::string& path, std::string* notice = nullptr);

// As start-row facts ("record premises" = ...), and back.
void AddRecordFacts(StartFacts& facts, const RecordIdentity& identity);
RecordIdentity RecordOfFacts(const StartFacts& facts);

}  // namespace zidtools
