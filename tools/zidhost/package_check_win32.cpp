#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <string>

#include "tools/zidhost/package_check.h"

namespace zidhost {

std::string PackageFolderOfThisProgram() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return ".";
    std::string dir(path, n);
    for (int up = 0; up < 2; ++up) {
        const size_t slash = dir.find_last_of("\\/");
        if (slash == std::string::npos) return ".";
        dir.resize(slash);
    }
    // "C:" alone would name the drive's current folder, not its root.
    return dir.size() == 2 && dir[1] == ':' ? dir + "\\" : dir;
}

uint32_t WindowsTrust(const std::string& path) {
    const int wide = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (wide <= 0) return static_cast<uint32_t>(E_INVALIDARG);
    std::wstring name(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, name.data(), wide);

    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = name.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    // A site PC is often offline: no revocation lists, nothing fetched.
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return static_cast<uint32_t>(result);
}

}  // namespace zidhost
