#include <windows.h>
#include <bcrypt.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/common/file_facts.h"

namespace zidtools {

namespace {

// A string of the resource's first translation, or of the usual US English
// ones when it lists none; empty when it is not there.
std::string VersionString(const std::vector<char>& info, const char* key) {
    struct Translation {
        WORD language;
        WORD codePage;
    };
    std::vector<Translation> tried = {{0x0409, 1200}, {0x0409, 1252}};
    void* table = nullptr;
    UINT tableSize = 0;
    if (VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &table, &tableSize) &&
        tableSize >= sizeof(Translation)) {
        tried.insert(tried.begin(), *static_cast<const Translation*>(table));
    }
    for (const Translation& t : tried) {
        char path[64];
        snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", t.language, t.codePage, key);
        void* text = nullptr;
        UINT length = 0;
        if (VerQueryValueA(info.data(), path, &text, &length) && text != nullptr && length > 0) {
            const char* s = static_cast<const char*>(text);
            return std::string(s, strnlen(s, length));
        }
    }
    return "";
}

// One SHA-256 computation of CNG, fed in pieces.
class CngSha256 {
public:
    CngSha256() {
        if (BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
            algorithm_ = nullptr;
            return;
        }
        if (BCryptCreateHash(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0) != 0) hash_ = nullptr;
    }
    ~CngSha256() {
        if (hash_) BCryptDestroyHash(hash_);
        if (algorithm_) BCryptCloseAlgorithmProvider(algorithm_, 0);
    }
    CngSha256(const CngSha256&) = delete;
    CngSha256& operator=(const CngSha256&) = delete;

    bool Ready() const { return hash_ != nullptr; }
    bool Update(const void* data, size_t size) {
        return BCryptHashData(hash_, static_cast<PUCHAR>(const_cast<void*>(data)),
                              static_cast<ULONG>(size), 0) == 0;
    }
    Outcome<std::string> FinishHex() {
        UCHAR digest[32];
        if (BCryptFinishHash(hash_, digest, sizeof digest, 0) != 0)
            return Failure{"the system's SHA-256 failed"};
        char hex[65];
        for (int i = 0; i < 32; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
        return std::string(hex, 64);
    }

private:
    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
};

}  // namespace

Outcome<std::string> Sha256Hex(const std::string& bytes) {
    CngSha256 sha;
    if (!sha.Ready() || !sha.Update(bytes.data(), bytes.size()))
        return Failure{"the system's SHA-256 is not available"};
    return sha.FinishHex();
}

Outcome<std::string> Sha256OfFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Failure{"cannot read " + path};
    CngSha256 sha;
    bool ok = sha.Ready();
    std::vector<char> buffer(64 * 1024);
    size_t got;
    while (ok && (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
        ok = sha.Update(buffer.data(), got);
    const bool whole = ok && std::ferror(file) == 0;
    std::fclose(file);
    if (!whole) return Failure{"cannot read " + path + " to its end"};
    return sha.FinishHex();
}

std::string FileVersionText(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return "";
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data())) return "";

    std::string text;
    void* fixedData = nullptr;
    UINT fixedSize = 0;
    if (VerQueryValueA(info.data(), "\\", &fixedData, &fixedSize) &&
        fixedSize >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedData);
        if (fixed->dwSignature == 0xFEEF04BD) {
            char number[48];
            const unsigned build = LOWORD(fixed->dwFileVersionLS);
            snprintf(number, sizeof number, "%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                     LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS));
            text = number;
            if (build != 0) text += "." + std::to_string(build);
        }
    }
    std::string strings;
    for (const char* key : {"FileVersion", "ProductVersion"}) {
        const std::string value = VersionString(info, key);
        if (value.empty()) continue;
        strings += (strings.empty() ? "" : ", ") + std::string(key) + " " + value;
    }
    if (!strings.empty()) text += (text.empty() ? "(" : " (") + strings + ")";
    return text;
}

}  // namespace zidtools
