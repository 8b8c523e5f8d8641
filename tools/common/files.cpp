#include "tools/common/files.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace zidtools {

Outcome<std::string> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Failure{"cannot read " + path};
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad()) return Failure{"cannot read " + path + " to its end"};
    return all.str();
}

Status WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out.fail()) return Failure{"cannot write " + path};
    return Done{};
}

Status WriteFileAtomically(const std::string& path, const std::string& bytes) {
    const std::string next = path + ".new";
    if (Status written = WriteFileBytes(next, bytes); !written) return written;
#ifdef _WIN32
    const bool moved = MoveFileExA(next.c_str(), path.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    const bool moved = std::rename(next.c_str(), path.c_str()) == 0;
#endif
    if (!moved) {
        std::remove(next.c_str());
        return Failure{"cannot replace " + path};
    }
    return Done{};
}

bool FileExists(const std::string& path) {
#ifdef _WIN32
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat facts;
    return stat(path.c_str(), &facts) == 0;
#endif
}

std::string PathIn(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    const char last = dir.back();
    return last == '/' || last == '\\' ? dir + name : dir + "/" + name;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsAbsolutePath(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
           (path.size() > 1 && path[1] == ':');
}

std::string PerChannelPath(const std::string& path, int channel) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const size_t at = hasExtension ? dot : path.size();
    return path.substr(0, at) + "-" + std::to_string(channel) + path.substr(at);
}

}  // namespace zidtools
