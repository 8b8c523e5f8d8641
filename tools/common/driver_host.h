// The driver as a host drives it: the DLL loaded at run time, asked for its
// information (command 14), and one zero-filled context of the size it
// reports for every channel. Used by zidhost and by the soak host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host_abi/commands.h"
#include "host_abi/context.h"
#include "host_abi/requests.h"
#include "tools/common/line_settings.h"
#include "tools/common/outcome.h"

namespace zidtools {

class DriverLibrary {
public:
    // Loads the DLL, finds SulMain and asks for the driver information.
    // Fails when the file cannot serve as the driver.
    Status Load(const std::string& path);

    const zid::DriverInfo& Info() const { return info_; }
    const std::string& Path() const { return path_; }
    int32_t Call(void* context, zid::Command command, int32_t channel, void* argument) const;

private:
    using SulMainFn = int32_t (*)(DriverRequest*);
    SulMainFn sulMain_ = nullptr;
    zid::DriverInfo info_{};
    std::string path_;
};

class DriverChannel {
public:
    DriverChannel(const DriverLibrary& driver, int32_t number);

    int32_t Number() const { return number_; }
    int32_t Call(zid::Command command, void* argument);

    int32_t Start(const zid::PortParams& params);  // command 1
    int32_t Purge();                               // command 2
    // Command 3. The address is handed over in a buffer of its own, which
    // the driver upper-cases; address and pointType come back as it left them.
    int32_t Validate(std::string& address, int32_t& pointType);
    // Command 5: a gate's value (kGate, by the host's gate id) or a status
    // word; nothing when the driver refused the read.
    std::optional<uint16_t> Read(zid::PointType type, uint32_t gateId);
    int32_t Close();                               // command 11
    int32_t Reopen();                              // command 13
    int32_t Change(const zid::PortChangeArgs& args);  // command 15

    // What the context holds now. A host treats the context as the driver's
    // own; the commissioning console looks into it to tell the engineer
    // whether the channel has a port at all.
    bool PortOpen();
    zid::PortSettings Settings() const;
    uint8_t ClientId() const;
    // The line in the message buffer (up to 100 characters). Only the
    // channel's receiver thread may call it, from a log line it writes.
    std::string BufferedLine() const;

private:
    zid::ChannelContext& Context();
    const DriverLibrary* driver_;
    int32_t number_;
    std::vector<unsigned char> context_;
};

// The parameters of command 1: the port name and the driver's defaults,
// each replaced by the setting given.
zid::PortParams MakePortParams(const zid::DriverInfo& info, const std::string& port,
                               const LineSettings& settings);

// The name of the host client the driver makes for a channel, as the
// driver spells it.
std::string ClientNameOf(int32_t channel);

// The driver a tool loads when none is named: ZIZEZOZU.DLL beside the
// tool or, when it is not there, in the folder above (the release puts the
// tools in tools/, below the driver).
std::string DefaultDriverPath();

}  // namespace zidtools
