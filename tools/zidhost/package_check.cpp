#include "tools/zidhost/package_check.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "tools/common/file_facts.h"
#include "tools/common/files.h"

namespace zidhost {

namespace {

constexpr char kSumsName[] = "SHA256SUMS";

// The HRESULT of a signature whose file was changed after signing.
constexpr uint32_t kTrustBadDigest = 0x80096010;

uint32_t Le32(const std::string& b, size_t at) {
    return uint32_t{static_cast<uint8_t>(b[at])} | uint32_t{static_cast<uint8_t>(b[at + 1])} << 8 |
           uint32_t{static_cast<uint8_t>(b[at + 2])} << 16 |
           uint32_t{static_cast<uint8_t>(b[at + 3])} << 24;
}

uint16_t Le16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

// Names from SHA256SUMS are shown as they are only when they are printable
// ASCII: the file may have been tampered with.
std::string Shown(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Only files inside the package are read: no absolute path, drive, stream
// (name:stream) or step out of the folder.
bool InsidePackage(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        for (unsigned char c : part)
            if (c < 0x20) return false;
        start = end + 1;
    }
    return true;
}

bool IsBinary(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext == ".dll" || ext == ".exe";
}

std::string TrustText(uint32_t code) {
    struct Known {
        uint32_t code;
        const char* text;
    };
    static const Known kKnown[] = {
        {0x800B0109, "its root certificate is not trusted on this PC"},
        {0x800B010A, "its certificate chain cannot be built on this PC"},
        {0x800B0101, "its certificate has expired"},
        {0x800B010C, "its certificate was revoked"},
        {0x800B0111, "its publisher is explicitly distrusted on this PC"},
        {0x800B0100, "Windows finds no valid signature in it"},
        {kTrustBadDigest, "the file changed after it was signed"},
    };
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
    for (const Known& k : kKnown)
        if (k.code == code) return std::string(hex) + ", " + k.text;
    return hex;
}

}  // namespace

bool HasAuthenticodeSignature(const std::string& image) {
    // MZ header -> PE signature -> optional header -> data directory 4
    // (security), whose address is a file offset -> WIN_CERTIFICATE.
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return false;
    const uint64_t pe = Le32(image, 0x3C);
    constexpr uint64_t kFileHeader = 4, kOptional = 4 + 20;
    if (pe + kOptional + 2 > image.size() || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
        return false;
    const uint16_t optionalSize = Le16(image, pe + kFileHeader + 16);
    const uint16_t magic = Le16(image, pe + kOptional);
    const uint64_t directories = pe + kOptional + (magic == 0x10B ? 96 : magic == 0x20B ? 112 : 0);
    if (directories == pe + kOptional) return false;
    const uint64_t countAt = directories - 4;  // NumberOfRvaAndSizes
    constexpr uint32_t kSecurity = 4;
    const uint64_t entry = directories + 8 * kSecurity;
    if (entry + 8 > pe + kOptional + optionalSize || entry + 8 > image.size() ||
        Le32(image, countAt) <= kSecurity)
        return false;
    const uint64_t offset = Le32(image, entry), size = Le32(image, entry + 4);
    if (offset == 0 || size < 8 || offset + size > image.size()) return false;
    const uint32_t length = Le32(image, offset);
    const uint16_t type = Le16(image, offset + 6);  // after dwLength and wRevision
    constexpr uint16_t kPkcsSignedData = 0x0002;
    return type == kPkcsSignedData && length > 8 && length <= size;
}

int VerifyPackage(const std::string& dir, const std::function<void(const std::string&)>& print,
                  const TrustCheck& trust) {
    const std::string sumsPath = zidtools::PathIn(dir, kSumsName);
    const zidtools::Outcome<std::string> read = zidtools::ReadFileBytes(sumsPath);
    if (!read) {
        print("cannot read " + Shown(sumsPath) + ": not the folder of an unpacked package?");
        return kExitUsage;
    }
    const std::string& sums = *read;
    int entries = 0, bad = 0, binaries = 0, signedBinaries = 0, lineNumber = 0;
    size_t start = 0;
    while (start < sums.size()) {
        size_t end = sums.find('\n', start);
        if (end == std::string::npos) end = sums.size();
        std::string line = sums.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        ++entries;
        // sha256sum's form: 64 hex digits, a blank, a blank or '*', the name.
        bool form = line.size() > 66 && line[64] == ' ' && (line[65] == ' ' || line[65] == '*');
        for (size_t i = 0; form && i < 64; ++i) form = IsHex(line[i]);
        const std::string name = form ? line.substr(66) : "";
        if (!form || !InsidePackage(name)) {
            print(std::string(kSumsName) + " line " + std::to_string(lineNumber) + ": " +
                  (form ? "refused name " + Shown(name) + " (not a file inside the package)"
                        : "not a checksum line: " + Shown(line)));
            ++bad;
            continue;
        }
        std::string want = line.substr(0, 64);
        for (char& c : want) c = static_cast<char>(c >= 'A' && c <= 'F' ? c + 32 : c);
        const std::string path = zidtools::PathIn(dir, name);
        std::string got, result;
        std::error_code ec;
        if (!std::filesystem::exists(path, ec) && !ec) {
            result = "MISSING";
        } else if (!std::filesystem::is_regular_file(path, ec) ||
                   (got = zidtools::Sha256OfFile(path).value_or("")).empty()) {
            result = "CANNOT BE READ";
        } else if (got != want) {
            result = "DIFFERS (its SHA-256 is " + got + ", SHA256SUMS says " + want + ")";
        }
        // A binary that could be read is told signed or not, even when it differs.
        if (IsBinary(name) && !got.empty()) {
            ++binaries;
            const zidtools::Outcome<std::string> image = zidtools::ReadFileBytes(path);
            if (image && HasAuthenticodeSignature(*image)) {
                ++signedBinaries;
                std::string signature = "signed (Authenticode signature present)";
                if (trust) {
                    const uint32_t code = trust(path);
                    signature += code == 0 ? "; Windows trusts it"
                                           : "; Windows does not trust it: " + TrustText(code);
                    if (code == kTrustBadDigest && result.empty()) result = "SIGNATURE DOES NOT MATCH";
                }
                result += (result.empty() ? "OK, " : ", ") + signature;
            } else {
                result += result.empty() ? "OK, not signed" : ", not signed";
            }
        }
        if (result.empty()) result = "OK";
        if (result.rfind("OK", 0) != 0) ++bad;
        print(Shown(name) + ": " + result);
    }
    if (entries == 0) {
        print(Shown(sumsPath) + " lists no file");
        return kExitPackage;
    }
    char verdict[160];
    if (bad == 0) {
        std::snprintf(verdict, sizeof verdict,
                      "all %d files match SHA256SUMS; %d of %d binaries signed", entries,
                      signedBinaries, binaries);
    } else {
        std::snprintf(verdict, sizeof verdict,
                      "%d of %d lines of SHA256SUMS FAILED: do not install from this folder; "
                      "unpack the package again",
                      bad, entries);
    }
    print("package " + Shown(dir) + ": " + verdict);
    return bad == 0 ? 0 : kExitPackage;
}

}  // namespace zidhost
