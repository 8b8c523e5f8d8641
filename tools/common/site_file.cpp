#include "tools/common/site_file.h"

#include "tools/common/files.h"
#include "tools/common/key_file.h"
#include "tools/common/numbers.h"
#include "tools/common/text_encoding.h"
#include "tools/common/utf8_text.h"

namespace zidtools {

Outcome<std::vector<ChannelConfig>> ReadSiteFile(const std::string& path) {
    Outcome<std::string> bytes = ReadFileBytes(path);
    if (!bytes) return Failure{"cannot read the site file " + path};
    return ParseSiteFile(*bytes, path);
}

Outcome<std::vector<ChannelConfig>> ParseSiteFile(const std::string& bytes,
                                                  const std::string& path) {
    Outcome<std::vector<TextLine>> lines = SplitTextLines(AsUtf8Text(bytes).text, path);
    if (!lines) return Failure{lines.Error()};
    Outcome<std::vector<KeySection>> sections = ParseKeyFile(*lines, path);
    if (!sections) return Failure{sections.Error()};

    std::vector<ChannelConfig> channels;
    for (const KeySection& section : *sections) {
        // The record's identity (record_identity.h) has a reader of its own.
        if (section.name == "record") continue;
        const std::optional<long> number =
            section.name.rfind("channel", 0) == 0 ? ParseNumber(Trim(section.name.substr(7)), 0, 255)
                                                   : std::nullopt;
        if (!number)
            return Failure{AtLine(path, section.line,
                                  "a section is [channel N], N from 0 to 255, or [record]: [" +
                                      ShownToken(section.name) + "]")};
        for (const ChannelConfig& c : channels)
            if (c.number == *number)
                return Failure{AtLine(path, section.line,
                                      "channel " + std::to_string(*number) +
                                          " is already set up at line " + std::to_string(c.sourceLine))};
        ChannelConfig c;
        c.number = static_cast<int32_t>(*number);
        c.port.clear();
        c.sourceLine = section.line;
        for (const KeySetting& s : section.settings) {
            if (!IsChannelSetting(s.key))
                return Failure{AtLine(path, s.line, "unknown key " + ShownToken(s.key) + " (" +
                                                        kChannelSettingNames + ")")};
            if (Status applied = ApplyChannelSetting(s.key, s.value, c); !applied)
                return Failure{AtLine(path, s.line, "bad value for " + s.key + ": " + ShownToken(s.value) +
                                                        " (" + applied.Error() + ")")};
            if (s.key == "tags") {
                c.tagsLine = s.line;
                if (!IsAbsolutePath(s.value)) c.tags = FolderOf(path) + s.value;
            }
        }
        if (c.port.empty())
            return Failure{AtLine(path, c.sourceLine, "[channel " + std::to_string(c.number) + "] has no port")};
        channels.push_back(std::move(c));
    }
    if (channels.empty())
        return Failure{AtLine(path, lines->empty() ? 1 : lines->back().number, "no [channel N] section")};
    return channels;
}

}  // namespace zidtools
