// zidhost's exit codes, as its usage text and the README list them.
#pragma once

namespace zidhost {

inline constexpr int kExitDone = 0;
inline constexpr int kExitUsage = 2;      // bad usage, or a file that cannot be read
inline constexpr int kExitDll = 3;        // the driver cannot be loaded
inline constexpr int kExitPort = 4;       // a channel did not start, or a gate was unreadable
inline constexpr int kExitTags = 5;       // a tag was refused
inline constexpr int kExitNoAddress = 6;  // the dialog composed no address
// The journal was damaged: rows were left out of the report, which was
// written all the same and says so at its top.
inline constexpr int kExitJournal = 7;
inline constexpr int kExitPackage = 8;    // a file of the package differs, is missing or unreadable

}  // namespace zidhost
