#include "tools/common/channel_config.h"

#include <cstring>
#include <sstream>

#include "tools/common/numbers.h"
#include "tools/common/readable.h"

namespace zidtools {
namespace {

// The driver keeps 11 characters of a port name and its NUL.
constexpr size_t kLongestPortName = 11;

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool IsAbsolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
           (path.size() > 1 && path[1] == ':');
}

// Cuts a '#' comment that starts the line or follows a blank.
std::string WithoutComment(const std::string& line) {
    for (size_t i = 0; i < line.size(); ++i)
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t'))
            return line.substr(0, i);
    return line;
}

}  // namespace

bool ApplyChannelSetting(const std::string& key, const std::string& value, ChannelConfig& c,
                         std::string& error) {
    bool ok = true;
    const char* v = value.c_str();
    if (key == "port") {
        c.port = DevicePortName(value);
        if (c.port.empty() || c.port.size() > kLongestPortName) {
            error = "port name " + c.port + " is too long: the driver takes at most " +
                    std::to_string(kLongestPortName) + " characters";
            return false;
        }
    } else if (key == "baud") {
        ok = ParseNumber(v, 1, 65535, c.line.baud);
    } else if (key == "data-bits") {
        ok = ParseNumber(v, 4, 8, c.line.dataBits);
    } else if (key == "stop-bits") {
        c.line.stopBits = value == "1" ? 0 : value == "1.5" ? 1 : value == "2" ? 2 : -1;
        ok = c.line.stopBits >= 0;
    } else if (key == "parity") {
        const char* names[] = {"none", "odd", "even", "mark", "space"};
        c.line.parity = -1;
        for (long k = 0; k < 5; ++k)
            if (value == names[k]) c.line.parity = k;
        ok = c.line.parity >= 0;
    } else if (key == "timeout") {
        ok = ParseNumber(v, 0, 100000, c.line.timeout);
    } else if (key == "tags") {
        c.tags = value;
        ok = !value.empty();
    } else if (key == "name") {
        c.name = value;
    } else {
        error = "unknown key " + key +
                " (port, baud, data-bits, stop-bits, parity, timeout, tags, name)";
        return false;
    }
    if (!ok) error = "bad value for " + key + ": " + value;
    return ok;
}

bool ParseSiteFile(const std::string& text, const std::string& path, const std::string& siteDir,
                   std::vector<ChannelConfig>& channels, std::string& error) {
    std::istringstream in(text);
    int number = 0;
    ChannelConfig* current = nullptr;
    auto fail = [&](int line, const std::string& why) {
        error = path + ":" + std::to_string(line) + ": " + why;
        return false;
    };
    for (std::string raw; std::getline(in, raw);) {
        ++number;
        const std::string line = Trim(WithoutComment(raw));
        if (line.empty()) continue;
        if (line.front() == '[') {
            long channel = -1;
            const std::string inner = line.back() == ']' ? Trim(line.substr(1, line.size() - 2)) : "";
            if (inner.rfind("channel", 0) != 0 ||
                !ParseNumber(Trim(inner.substr(7)).c_str(), 0, 255, channel))
                return fail(number, "a section is [channel N], N from 0 to 255: " + line);
            for (const ChannelConfig& c : channels)
                if (c.number == channel)
                    return fail(number, "channel " + std::to_string(channel) +
                                            " is already set up at line " +
                                            std::to_string(c.sourceLine));
            ChannelConfig c;
            c.number = static_cast<int32_t>(channel);
            c.port.clear();
            c.sourceLine = number;
            channels.push_back(c);
            current = &channels.back();
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) return fail(number, "expected key = value: " + line);
        if (current == nullptr) return fail(number, "a setting before the first [channel N]");
        const std::string key = Trim(line.substr(0, equals));
        const std::string value = Trim(line.substr(equals + 1));
        std::string why;
        if (!ApplyChannelSetting(key, value, *current, why)) return fail(number, why);
        if (key == "tags") {
            current->tagsLine = number;
            if (!IsAbsolute(value)) current->tags = siteDir + value;
        }
    }
    if (channels.empty()) return fail(number, "no [channel N] section");
    for (const ChannelConfig& c : channels)
        if (c.port.empty())
            return fail(c.sourceLine, "[channel " + std::to_string(c.number) + "] has no port");
    return true;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string DisplayName(const ChannelConfig& channel) {
    return channel.name.empty() ? "channel " + std::to_string(channel.number) : channel.name;
}

std::string PerChannelPath(const std::string& path, int32_t channel) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const size_t at = hasExtension ? dot : path.size();
    return path.substr(0, at) + "-" + std::to_string(channel) + path.substr(at);
}

}  // namespace zidtools
