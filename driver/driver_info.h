#pragma once

#include <cstddef>
#include <cstdint>

namespace zid {

inline constexpr const char* kDriverName = "ZID-12 Fire Detection";
inline constexpr int32_t kDriverCode = 82;
inline constexpr int32_t kDefaultTimeout = 4;  // tens of milliseconds
inline constexpr uint32_t kLastDefaultParameter = 0x00150020;

// The installation banner: 379 bytes of code page 437 and its NUL.
inline constexpr size_t kBannerLength = 379;
extern const char* const kInstallBanner;

}  // namespace zid
