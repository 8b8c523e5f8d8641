// Link-time fakes of the serial layer (its port calls and its thread start)
// and of the two host calls the channel commands make. Natively the serial
// layer has no table of calls to fake: its seam is Win32's. Every call is
// written to one ordered record, so tests can check both what was called
// and in which order.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host_abi/context.h"

namespace fake {

struct Call {
    std::string what;  // "open", "close", "timeout", "purge", "client", "thread"
    std::string name;  // open: port name; client: client name
    zid::PortHandle port = 0;
    int32_t value = 0;             // timeout: tens of ms; thread: stack bytes
    zid::LineBlock line{};         // open
    uint16_t lineFlags = 0;        // open
    uint32_t countAtCall = 0;      // thread: address count when it was started
    int32_t args[2] = {0, 0};      // client: the two constant arguments
};

struct World {
    // Port name -> handle the open hands out; a name missing here fails.
    std::map<std::string, zid::PortHandle> devices;
    bool closeFails = false;
    bool purgeFails = false;
    uint16_t clientStatus = 0;   // QelMkClient's status
    uint8_t clientId = 9;        // the id it writes on success
    bool threadStarts = true;
    std::vector<Call> calls;
    std::vector<std::string> log;  // formatted err() lines
};

World& world();
void Reset();
// The calls whose what is one of the given kinds, in order.
std::vector<std::string> Kinds();

}  // namespace fake
