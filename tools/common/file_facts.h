// Facts about a file an engineer on site needs to tell one build of the
// driver from another: its SHA-256 (as sha256sum, certutil and Get-FileHash
// print it) and its version resource. On Windows the digest comes from the
// system's own cryptography (CNG) and the version from its version API; the
// tools' native build takes OpenSSL's digest.
#pragma once

#include <string>

#include "tools/common/outcome.h"

namespace zidtools {

// The SHA-256 of the bytes or of a file's contents, as 64 lower-case hex
// digits.
Outcome<std::string> Sha256Hex(const std::string& bytes);
Outcome<std::string> Sha256OfFile(const std::string& path);

#ifdef _WIN32
// A file's version resource, e.g. "1.1.0 (FileVersion 1.1.0, ProductVersion
// 1.1.0)": the fixed file version first (a fourth part only when it is not
// 0), then the version strings the resource holds. Empty when the file has
// no version resource or cannot be read.
std::string FileVersionText(const std::string& path);
#endif

}  // namespace zidtools
