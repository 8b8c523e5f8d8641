// Facts about a file an engineer on site needs to tell one build of the
// driver from another: its SHA-256 (as sha256sum, certutil and Get-FileHash
// print it) and its version resource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zidtools {

// SHA-256 (FIPS 180-4), fed in pieces of any size.
class Sha256 {
public:
    Sha256();
    void Update(const void* data, size_t size);
    // The digest as 64 lower-case hex digits. Ends the computation: call it once.
    std::string FinishHex();

private:
    void Block(const uint8_t* block);

    uint32_t state_[8];
    uint8_t pending_[64];
    size_t pendingSize_ = 0;
    uint64_t totalBytes_ = 0;
};

std::string Sha256Hex(const std::string& bytes);

// False, and hex left alone, when the file cannot be opened or read to its end.
bool Sha256OfFile(const std::string& path, std::string& hex);

#ifdef _WIN32
// A file's version resource, e.g. "1.1.0 (FileVersion 1.1.0, ProductVersion
// 1.1.0)": the fixed file version first (a fourth part only when it is not
// 0), then the version strings the resource holds. Empty when the file has
// no version resource or cannot be read.
std::string FileVersionText(const std::string& path);
#endif

}  // namespace zidtools
