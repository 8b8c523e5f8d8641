#include "tools/common/channel_config.h"

#include "host_abi/context.h"
#include "tools/common/readable.h"
#include "tools/common/utf8_text.h"

namespace zidtools {

bool IsChannelSetting(std::string_view name) {
    return IsLineSettingName(name) || name == "port" || name == "tags" || name == "name";
}

Status ApplyChannelSetting(std::string_view name, const std::string& value, ChannelConfig& c) {
    if (name == "port") {
        // The driver keeps a port name and its NUL in a field of its own.
        constexpr size_t kLongest = zid::kPortNameSize - 1;
        const std::string port = DevicePortName(value);
        if (port.empty()) return Failure{"empty: name a port, e.g. COM1"};
        if (port.size() > kLongest)
            return Failure{"too long: the driver takes at most " + std::to_string(kLongest) +
                           " characters" + (port != value ? ", and opens it as " + ShownToken(port) : "")};
        c.port = port;
        return Done{};
    }
    if (name == "tags") {
        if (value.empty()) return Failure{"empty: name a tag file"};
        c.tags = value;
        return Done{};
    }
    if (name == "name") {
        c.name = value;
        return Done{};
    }
    return ApplyLineSetting(name, value, c.line);
}

std::string DisplayName(const ChannelConfig& channel) {
    return channel.name.empty() ? "channel " + std::to_string(channel.number) : channel.name;
}

}  // namespace zidtools
