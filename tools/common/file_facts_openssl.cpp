// SHA-256 on the build machine, for the tools' native build and its tests:
// OpenSSL's, as Debian packages it. The Windows tools use the system's own
// (file_facts_win32.cpp).
#include <openssl/evp.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "tools/common/file_facts.h"

namespace zidtools {
namespace {

using Context = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

Context NewSha256() {
    Context context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) context.reset();
    return context;
}

Outcome<std::string> FinishHex(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(context, digest, &size) != 1 || size != 32)
        return Failure{"OpenSSL's SHA-256 failed"};
    char hex[65];
    for (unsigned i = 0; i < 32; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return std::string(hex, 64);
}

}  // namespace

Outcome<std::string> Sha256Hex(const std::string& bytes) {
    Context context = NewSha256();
    if (!context || EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1)
        return Failure{"OpenSSL's SHA-256 is not available"};
    return FinishHex(context.get());
}

Outcome<std::string> Sha256OfFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Failure{"cannot read " + path};
    Context context = NewSha256();
    bool ok = context != nullptr;
    std::vector<char> buffer(64 * 1024);
    size_t got;
    while (ok && (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
        ok = EVP_DigestUpdate(context.get(), buffer.data(), got) == 1;
    const bool whole = ok && std::ferror(file) == 0;
    std::fclose(file);
    if (!whole) return Failure{"cannot read " + path + " to its end"};
    return FinishHex(context.get());
}

}  // namespace zidtools
