#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host_abi/driver_log.h"
#include "tools/common/driver_host.h"
#include "tools/common/files.h"

namespace zidtools {
namespace {

std::string SystemMessage(DWORD code) {
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    std::string s = text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

}  // namespace

Status DriverLibrary::Load(const std::string& path) {
    path_ = path;
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        const DWORD e = GetLastError();
        return Failure{"cannot load the driver " + path + ": " + SystemMessage(e) + " (error " +
                       std::to_string(e) + ")"};
    }
    sulMain_ = reinterpret_cast<SulMainFn>(reinterpret_cast<void*>(GetProcAddress(module, "SulMain")));
    if (!sulMain_) return Failure{path + " has no export SulMain: not a driver for this host"};
    if (Call(nullptr, zid::Command::kGetDriverInfo, 0, &info_) != zid::kDone)
        return Failure{path + " refused command 14 (driver information)"};
    if (info_.contextSize < sizeof(zid::ChannelContext))
        return Failure{path + " reports a channel context of " + std::to_string(info_.contextSize) +
                       " bytes; this host knows the driver's as " +
                       std::to_string(sizeof(zid::ChannelContext))};
    return Done{};
}

int32_t DriverLibrary::Call(void* context, zid::Command command, int32_t channel,
                            void* argument) const {
    DriverRequest request{context, zid::CodeOf(command), channel, 0, argument};
    return sulMain_(&request);
}

DriverChannel::DriverChannel(const DriverLibrary& driver, int32_t number)
    : driver_(&driver), number_(number), context_(driver.Info().contextSize, 0) {}

int32_t DriverChannel::Call(zid::Command command, void* argument) {
    return driver_->Call(context_.data(), command, number_, argument);
}

int32_t DriverChannel::Start(const zid::PortParams& params) {
    zid::PortParams copy = params;
    return Call(zid::Command::kStartChannel, &copy);
}

int32_t DriverChannel::Purge() { return Call(zid::Command::kPurgeChannel, nullptr); }

int32_t DriverChannel::Validate(std::string& address, int32_t& pointType) {
    std::vector<char> text(address.begin(), address.end());
    text.resize(std::max<size_t>(text.size() + 1, zid::kAddressSize + 1), '\0');
    zid::TagAddressArgs args{};
    args.address = text.data();
    const int32_t result = Call(zid::Command::kValidateAddress, &args);
    address = text.data();
    pointType = args.pointType;
    return result;
}

std::optional<uint16_t> DriverChannel::Read(zid::PointType type, uint32_t gateId) {
    zid::PointValue out{};
    zid::PointReadArgs args{};
    args.pointType = static_cast<uint32_t>(type);
    args.gateId = gateId;
    args.valueOut = &out;
    if (Call(zid::Command::kReadPoint, &args) != zid::kDone) return std::nullopt;
    return out.value;
}

int32_t DriverChannel::Close() { return Call(zid::Command::kClosePort, nullptr); }
int32_t DriverChannel::Reopen() { return Call(zid::Command::kReopenPort, nullptr); }

int32_t DriverChannel::Change(const zid::PortChangeArgs& args) {
    zid::PortChangeArgs copy = args;
    return Call(zid::Command::kChangeSulParams, &copy);
}

zid::ChannelContext& DriverChannel::Context() {
    return *reinterpret_cast<zid::ChannelContext*>(context_.data());
}

bool DriverChannel::PortOpen() { return zid::LoadPort(Context()) != 0; }

zid::PortSettings DriverChannel::Settings() const {
    return reinterpret_cast<const zid::ChannelContext*>(context_.data())->settings;
}

std::string DriverChannel::BufferedLine() const {
    const char* message = reinterpret_cast<const zid::ChannelContext*>(context_.data())->message;
    size_t n = 0;
    while (n < static_cast<size_t>(zid::kMaxLineLength) && message[n] != '\0') ++n;
    return std::string(message, n);
}

uint8_t DriverChannel::ClientId() const {
    return reinterpret_cast<const zid::ChannelContext*>(context_.data())->clientId;
}

zid::PortParams MakePortParams(const zid::DriverInfo& info, const std::string& port,
                               const LineSettings& s) {
    zid::PortParams params{};
    std::memcpy(params.name, port.c_str(), std::min(port.size(), sizeof params.name));
    params.enabled = 1;
    params.timeout = s.timeout >= 0 ? static_cast<int32_t>(s.timeout) : info.timeout;
    params.line = LineBlockOf(s, info.line);
    params.unused = info.lastParameter;
    return params;
}

std::string ClientNameOf(int32_t channel) {
    char name[zid::kClientNameSize];
    std::snprintf(name, sizeof name, zid::kClientNameFormat, channel);
    return name;
}

std::string DefaultDriverPath() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, n);
    size_t slash = dir.find_last_of("\\/");
    dir = slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
    const std::string beside = dir + "ZIZEZOZU.DLL";
    if (FileExists(beside) || dir.empty()) return beside;
    slash = dir.find_last_of("\\/", dir.size() - 2);
    if (slash == std::string::npos) return beside;
    const std::string above = dir.substr(0, slash + 1) + "ZIZEZOZU.DLL";
    return FileExists(above) ? above : beside;
}

}  // namespace zidtools
