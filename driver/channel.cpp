// Channel port commands: start, purge, close, re-open, change parameters.
//
// All of them run on the host's calling thread. The port field is shared
// with the channel's receiver thread, which reads it afresh for every
// platform call, so it is only ever written through StorePort/LoadPort.
#include "driver/channel.h"

#include <cstdio>
#include <cstring>

#include "driver/driver_info.h"
#include "host_abi/driver_log.h"
#include "host_abi/qelmar.h"
#include "panel/receiver.h"
#include "serial/serial_port.h"

namespace zid {

namespace {

ChannelContext& ContextOf(DriverRequest* request) {
    return *static_cast<ChannelContext*>(request->context);
}

// Length of a name held in a field of fieldSize bytes: fieldSize when the
// field holds no NUL at all.
size_t NameLength(const char* name, size_t fieldSize) {
    const void* nul = std::memchr(name, '\0', fieldSize);
    return nul ? static_cast<size_t>(static_cast<const char*>(nul) - name) : fieldSize;
}

// A name must leave room for its NUL in the 12-byte settings field. Longer
// ones are refused with a log line naming them (as far as the field holds it).
bool NameFits(const char* name, size_t fieldSize) {
    const size_t length = NameLength(name, fieldSize);
    if (length < static_cast<size_t>(kPortNameSize)) return true;
    err(kLogLevel, logline::kPortNameTooLong, static_cast<int>(length), name, kPortNameSize - 1);
    return false;
}

// Closes the context's port as codes 11 and 12 do.
Result CloseContextPort(ChannelContext& ctx) {
    const PortHandle port = LoadPort(ctx);
    if (port == 0) return kDone;
    if (ComClose(port) != kComOk) return kPortFailure;
    StorePort(ctx, 0);
    return kDone;
}

}  // namespace

PortHandle OpenPortFromSettings(const PortSettings* settings) {
    PortHandle handle = 0;
    if (ComOpen(settings->name, &settings->line, settings->lineFlags, &handle) != kComOk) return 0;
    // A success that hands back no usable handle is still no port.
    if (handle == kInvalidPort) return 0;
    return handle;
}

Result StartChannel(DriverRequest* request) {
    ChannelContext& ctx = ContextOf(request);
    const auto* params = static_cast<const PortParams*>(request->argument);

    // A channel the host does not use gets nothing else.
    ctx.enabled = params->enabled;
    if (params->enabled == 0) return kDone;

    // The settings are kept only once the port has opened.
    if (!NameFits(params->name, sizeof params->name)) return kPortFailure;
    PortSettings settings{};
    std::memcpy(settings.name, params->name, NameLength(params->name, sizeof params->name));
    settings.line = params->line;
    settings.lineFlags = kPortLineFlags;

    const PortHandle port = OpenPortFromSettings(&settings);
    if (port == 0) {
        err(kLogLevel, logline::kPortOpenFailed, kDriverName, settings.name);
        return kPortFailure;
    }

    // The receiver may read the port from here on; then the channel's own
    // read timeout replaces the 1000 ms every open starts with.
    StorePort(ctx, port);
    ComSetReadTimeout(port, params->timeout);
    ctx.settings = settings;
    ctx.timeout = static_cast<uint32_t>(params->timeout);
    ctx.channel = static_cast<uint8_t>(request->channel & 0xFF);

    // The host client, named after the channel: its id paces the receiver.
    char clientName[kClientNameSize];
    std::snprintf(clientName, sizeof clientName, kClientNameFormat, request->channel);
    if (QelMkClient(clientName, 1, 0, &ctx.clientId) != 0) {
        err(kLogLevel, logline::kClientNotMade);
        return kRefused;
    }

    if (!StartReceiverThread(&ctx)) {
        err(kLogLevel, logline::kThreadNotStarted);
        return kPortFailure;
    }

    // An empty address table, last: the host registers the channel's tags
    // (command 3) only after this command has answered.
    PublishCount(ctx, 0);
    return kDone;
}

Result PurgeChannel(DriverRequest* request) {
    ChannelContext& ctx = ContextOf(request);
    const PortHandle port = LoadPort(ctx);
    if (port != 0) ComPurgeInput(port);
    return kDone;
}

Result ClosePort(DriverRequest* request) {
    return CloseContextPort(ContextOf(request));
}

Result ReopenPort(DriverRequest* request) {
    ChannelContext& ctx = ContextOf(request);
    const PortHandle port = OpenPortFromSettings(&ctx.settings);
    if (port == 0) return kPortFailure;
    ctx.enabled = 1;
    StorePort(ctx, port);
    return kDone;
}

Result ChangeSulParams(DriverRequest* request) {
    ChannelContext& ctx = ContextOf(request);
    const auto* args = static_cast<const PortChangeArgs*>(request->argument);

    // A name that does not fit changes nothing: the old port stays in use.
    if (!NameFits(args->name, sizeof args->name)) return kPortFailure;
    const size_t length = NameLength(args->name, sizeof args->name);

    // A new device: the old one is closed first, so that the receiver never
    // reads a port the channel no longer names.
    const bool sameName = std::strncmp(args->name, ctx.settings.name, kPortNameSize) == 0;
    if (!sameName && LoadPort(ctx) != 0) CloseContextPort(ctx);

    // The name, and the line parameters unless baud is 0 (keep them).
    std::memset(ctx.settings.name, 0, sizeof ctx.settings.name);
    std::memcpy(ctx.settings.name, args->name, length);
    if (static_cast<int16_t>(args->line.baud) != 0) ctx.settings.line = args->line;

    const PortHandle port = OpenPortFromSettings(&ctx.settings);
    if (port == 0) {
        // The field keeps the old handle when it was not closed, and 0 when
        // it was: never the value of a closed handle.
        err(kLogLevel, logline::kChangeOpenFailed);
        return kPortFailure;
    }
    StorePort(ctx, port);
    ctx.enabled = 1;
    ComSetReadTimeout(port, static_cast<int32_t>(ctx.timeout));
    return kDone;
}

}  // namespace zid
