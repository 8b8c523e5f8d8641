#include "tools/zidhost/tag_registration.h"

#include <cstring>

#include "address/address.h"
#include "standin/qelmar_sim.h"
#include "tools/common/files.h"
#include "tools/common/tag_file.h"
#include "tools/common/text_encoding.h"
#include "tools/common/utf8_text.h"
#include "tools/zidhost/console.h"

namespace zidhost {
namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

zidtools::Outcome<CheckedTags> ReadTagFile(const std::string& path) {
    const zidtools::Outcome<std::string> bytes = zidtools::ReadFileBytes(path);
    if (!bytes) return zidtools::Failure{"cannot read the tag file " + path};
    const zidtools::Outcome<std::vector<zidtools::TagLine>> lines =
        zidtools::ParseTagFile(*bytes, path);
    if (!lines) return zidtools::Failure{lines.Error()};
    if (!zidtools::IsValidUtf8(*bytes)) Error("%s", zidtools::Windows1255Notice(path).c_str());
    CheckedTags checked;
    uint32_t gates = 0;
    for (const zidtools::TagLine& line : *lines) {
        const zid::TagRefusal why = zid::ExplainTagRefusal(line.tag.c_str(), gates);
        if (why != zid::TagRefusal::kAccepted) {
            Error("%s:%d: tag %s refused: %s", path.c_str(), line.lineNumber,
                  zidtools::ShownToken(line.tag).c_str(), zid::TagRefusalText(why));
            ++checked.refused;
            continue;
        }
        if (!line.notice.empty()) Error("warning: %s", line.notice.c_str());
        Tag tag{line.lineNumber, line.tag, line.label, line.type};
        tag.gate = zidtools::LooksLikeGateTag(tag.text);
        if (tag.gate) {
            ++gates;
        } else if (std::strchr("TFRSC", Upper(tag.text)[1]) == nullptr) {
            Error("%s:%d: warning: tag %s names no status word (!T, !F, !R, !S or !C): the driver "
                  "accepts it, but it reads as nothing",
                  path.c_str(), line.lineNumber, zidtools::ShownToken(line.tag).c_str());
        }
        checked.accepted.push_back(tag);
    }
    if (checked.accepted.empty() && checked.refused == 0)
        Error("warning: the tag file %s holds no tag: no gate will be registered", path.c_str());
    return checked;
}

int RegisterTags(zidtools::DriverChannel& channel, const std::string& path, std::vector<Tag>& tags,
                 bool defineGates) {
    int refused = 0;
    std::vector<Tag> accepted;
    for (Tag tag : tags) {
        if (defineGates && tag.gate)
            tag.gateId =
                QelSimDefineGate(static_cast<uint8_t>(channel.Number()), Upper(tag.text).c_str());
        const std::string written = tag.text;
        if (channel.Validate(tag.text, tag.pointType) != zid::kDone) {
            Error("%s:%d: tag %s refused by the driver", path.c_str(), tag.lineNumber,
                  zidtools::ShownToken(written).c_str());
            ++refused;
            continue;
        }
        accepted.push_back(tag);
    }
    tags = accepted;
    return refused;
}

}  // namespace zidhost
