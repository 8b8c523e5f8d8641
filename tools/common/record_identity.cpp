#include "tools/common/record_identity.h"

#include "tools/common/files.h"
#include "tools/common/key_file.h"
#include "tools/common/text_encoding.h"

namespace zidtools {
namespace {

constexpr char kFactPrefix[] = "record ";

bool IsRecordKey(const std::string& key) {
    for (const char* k : kRecordKeys)
        if (key == k) return true;
    return false;
}

std::string KeyList() {
    std::string out;
    for (const char* k : kRecordKeys) out += (out.empty() ? "" : ", ") + std::string(k);
    return out;
}

}  // namespace

Outcome<RecordIdentity> ParseRecordFile(const std::string& bytes, const std::string& path) {
    Outcome<std::vector<TextLine>> lines = SplitTextLines(AsUtf8Text(bytes).text, path);
    if (!lines) return Failure{lines.Error()};
    Outcome<std::vector<KeySection>> sections = ParseKeyFile(*lines, path);
    if (!sections) return Failure{sections.Error()};
    RecordIdentity identity;
    int recordLine = 0;
    for (const KeySection& section : *sections) {
        if (section.name.rfind("channel", 0) == 0) continue;
        if (section.name != "record")
            return Failure{AtLine(path, section.line,
                                  "unknown section [" + section.name +
                                      "]: the record's facts go in [record]")};
        if (recordLine != 0)
            return Failure{AtLine(path, section.line,
                                  "[record] is already given at line " + std::to_string(recordLine))};
        recordLine = section.line;
        for (const KeySetting& s : section.settings) {
            if (!IsRecordKey(s.key))
                return Failure{AtLine(path, s.line, "unknown key " + s.key + " in [record] (" +
                                                        KeyList() + ")")};
            if (!s.value.empty()) identity[s.key] = s.value;
        }
    }
    return identity;
}

Outcome<RecordIdentity> ReadRecordFile(const std::string& path, std::string* notice) {
    const Outcome<std::string> bytes = ReadFileBytes(path);
    if (!bytes) return Failure{"cannot read the record file " + path};
    if (notice && !IsValidUtf8(*bytes)) *notice = Windows1255Notice(path);
    return ParseRecordFile(*bytes, path);
}

void AddRecordFacts(StartFacts& facts, const RecordIdentity& identity) {
    for (const char* key : kRecordKeys)
        if (const auto it = identity.find(key); it != identity.end())
            facts.emplace_back(kFactPrefix + it->first, it->second);
}

RecordIdentity RecordOfFacts(const StartFacts& facts) {
    RecordIdentity identity;
    const std::string prefix = kFactPrefix;
    for (const auto& [key, value] : facts)
        if (key.rfind(prefix, 0) == 0 && IsRecordKey(key.substr(prefix.size())))
            identity[key.substr(prefix.size())] = value;
    return identity;
}

}  // namespace zidtools
