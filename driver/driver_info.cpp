#include "driver/driver_info.h"

#include "host_abi/requests.h"

namespace zid {

// Code page 437 box drawing: a line feed, then six lines of 62 characters,
// each a blank, a 59-character field between two frame characters, and a
// line feed.
#define ZID_DOUBLE_59                                                        \
    "\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD" \
    "\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD" \
    "\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD" \
    "\xCD\xCD\xCD\xCD\xCD"

namespace {
constexpr char kBannerText[] =
    "\n"
    " \xC9" ZID_DOUBLE_59 "\xBB\n"
    " \xBA \xDB\xDB\xDB\xDB\xDB\xB2\xB2\xB2\xB2\xB2\xB2\xB1\xB1\xB1\xB1\xB1\xB1"
    "\xB0\xB0\xB0\xB0\xB0\xB0 S U L K A R \xB0\xB0\xB0\xB0\xB1\xB1\xB1\xB1\xB1\xB1"
    "\xB2\xB2\xB2\xB2\xB2\xB2\xDB\xDB\xDB\xDB\xDB \xBA\n"
    " \xBA         ZID-12 Fire Detection, Driver installed.          \xBA\n"
    " \xBA    Vizo Fire Detection Model, Ascii protocol (HEBREW)     \xBA\n"
    " \xBA  Serial driver for the ZID-12 panel. Use at your own risk \xBA\n"
    " \xC8" ZID_DOUBLE_59 "\xBC\n";

#undef ZID_DOUBLE_59

static_assert(sizeof(kBannerText) == kBannerLength + 1,
              "the banner must be exactly 379 characters");
}  // namespace

const char* const kInstallBanner = kBannerText;

Result GetDriverInfo(DriverRequest* request) {
    auto* info = static_cast<DriverInfo*>(request->argument);
    info->driverCode = kDriverCode;
    info->name = kDriverName;
    info->banner = kInstallBanner;
    info->contextSize = kChannelContextSize;
    info->timeout = kDefaultTimeout;
    info->line = LineBlock{9600, 8, 0, 0};
    info->lastParameter = kLastDefaultParameter;
    return kDone;
}

Result NoOperation(DriverRequest*) { return kRefused; }

}  // namespace zid
