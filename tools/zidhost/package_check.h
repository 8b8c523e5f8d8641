// zidhost --verify-package: an unpacked release package checked against its
// own SHA256SUMS, on a PC that has nothing but Windows, and for each binary
// whether it carries an Authenticode signature.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tools/zidhost/exit_codes.h"

namespace zidhost {

// What Windows makes of a binary's signature: 0 when it is valid and trusted
// on this PC, else the HRESULT of the trust check (as WinVerifyTrust returns
// it). Asked only of files that carry a signature.
using TrustCheck = std::function<uint32_t(const std::string& path)>;

// Whether a PE image (the whole file) carries an Authenticode signature: its
// security directory is not empty and holds a PKCS#7 signed-data certificate,
// all inside the file.
bool HasAuthenticodeSignature(const std::string& image);

// Checks every line of DIR/SHA256SUMS against the files under DIR and writes
// one line per file through print, then a verdict. Returns 0 when every file
// matches, kExitPackage when one differs, is missing or cannot be read, or a
// line of SHA256SUMS is not a checksum line, and 2 when SHA256SUMS cannot be
// read. trust may be empty: then only presence of signatures is told.
int VerifyPackage(const std::string& dir, const std::function<void(const std::string&)>& print,
                  const TrustCheck& trust);

#ifdef _WIN32
// The package zidhost.exe came in: the folder above its own (tools\).
std::string PackageFolderOfThisProgram();

// WinVerifyTrust on the file, with no user interface and no network access.
uint32_t WindowsTrust(const std::string& path);
#endif

}  // namespace zidhost
