// Address-format dialog (command 16): the user composes a six-digit gate
// address in the modal "Tag Format" dialog (template 101 of this module).
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "address/address.h"
#include "address/dialog.h"
#include "address/dialog_ids.h"
#include "address/spin.h"
#include "host_abi/driver_log.h"
#include "host_abi/qelmar.h"

namespace zid {
namespace {

constexpr int kFieldSize = 5;              // at most 4 characters and the NUL
constexpr int kArrowReadSize = 3;          // the arrows read at most 2 characters
constexpr uint16_t kOwnerFromVersion = 820;
constexpr char kIllegalAddress[] = "      Illegal Address.      ";

// Set once at load, before any command.
HMODULE DialogModule = nullptr;

// Module-wide state, used only on the host's calling thread.
int32_t AddressDialogUsed = 0;  // set by the first command 16, never cleared
int16_t AddressDialogMode = 0;  // 0 no kind chosen, 1 line and detector, 2 zone
char LineField[kFieldSize] = "";
char DetectorField[kFieldSize] = "";
char ZoneField[kFieldSize] = "";

struct InputField {
    int edit;
    int arrow;
    int32_t upper;
};
// The arrows keep each field within what command 3 accepts.
constexpr InputField kLine = {IDC_LINE_EDIT, IDC_LINE_ARROW, kLineLimit};
constexpr InputField kDetector = {IDC_DETECTOR_EDIT, IDC_DETECTOR_ARROW, kDetectorLimit};
constexpr InputField kZone = {IDC_ZONE_EDIT, IDC_ZONE_ARROW, kZoneLimit};
constexpr InputField kFields[] = {kLine, kDetector, kZone};

void EnableField(HWND dialog, const InputField& field, BOOL enable) {
    EnableWindow(GetDlgItem(dialog, field.edit), enable);
    EnableWindow(GetDlgItem(dialog, field.arrow), enable);
}

INT_PTR OnOk(HWND dialog) {
    UINT lineCount = 0, detectorCount = 0, zoneCount = 0;
    if (AddressDialogMode == 1) {
        std::strcpy(ZoneField, "00");
        lineCount = GetDlgItemTextA(dialog, IDC_LINE_EDIT, LineField, kFieldSize);
        detectorCount = GetDlgItemTextA(dialog, IDC_DETECTOR_EDIT, DetectorField, kFieldSize);
    } else if (AddressDialogMode == 2) {
        std::strcpy(LineField, "00");
        std::strcpy(DetectorField, "00");
        zoneCount = GetDlgItemTextA(dialog, IDC_ZONE_EDIT, ZoneField, kFieldSize);
    }
    if ((lineCount == 0 || detectorCount == 0) && zoneCount == 0) {
        MessageBoxA(dialog, kIllegalAddress, "Error", MB_OK);
        return FALSE;
    }
    EndDialog(dialog, IDOK);
    return TRUE;
}

INT_PTR OnArrow(HWND dialog, WPARAM wParam, LPARAM lParam) {
    const int32_t code = LOWORD(wParam);
    if (code != kScrollLineUp && code != kScrollLineDown) return FALSE;
    const HWND sender = reinterpret_cast<HWND>(lParam);
    for (const InputField& field : kFields) {
        if (sender == nullptr || sender != GetDlgItem(dialog, field.arrow)) continue;
        const HWND edit = GetDlgItem(dialog, field.edit);
        char text[kArrowReadSize] = "";
        GetWindowTextA(edit, text, kArrowReadSize);
        int32_t value = 0;
        StepSpinField(text, &value, 0, field.upper, code);
        char formatted[16];
        std::snprintf(formatted, sizeof formatted, "%02d", static_cast<int>(value));
        SetWindowTextA(edit, formatted);
        return FALSE;
    }
    return FALSE;
}

}  // namespace

void SetDialogModule(void* module) { DialogModule = static_cast<HMODULE>(module); }

// The dialog procedure of template 101.
INT_PTR CALLBACK AddressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            for (const InputField& field : kFields) {
                SetWindowTextA(GetDlgItem(dialog, field.edit), "00");
                EnableField(dialog, field, FALSE);
            }
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_KIND_LINE_DETECTOR:
                    AddressDialogMode = 1;
                    EnableField(dialog, kLine, TRUE);
                    EnableField(dialog, kDetector, TRUE);
                    EnableField(dialog, kZone, FALSE);
                    return FALSE;
                case IDC_KIND_ZONE:
                    AddressDialogMode = 2;
                    EnableField(dialog, kZone, TRUE);
                    EnableField(dialog, kLine, FALSE);
                    EnableField(dialog, kDetector, FALSE);
                    return FALSE;
                case IDOK:
                    return OnOk(dialog);
                case IDCANCEL:  // also Esc and the close box
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_VSCROLL:
            return OnArrow(dialog, wParam, lParam);
        default:
            return FALSE;
    }
}

// Command 16.
Result ComposeAddress(DriverRequest* request) {
    auto* args = static_cast<AddressDialogArgs*>(request->argument);
    // No place for the result: nothing to compose, and the one dialog of
    // this load stays available.
    if (args == nullptr || args->outputBuffer == nullptr) return kNoAddressComposed;

    if (AddressDialogUsed) return kNoAddressComposed;
    AddressDialogUsed = 1;


    // Ask the host for its version through a short-lived client.
    char name[256];
    std::snprintf(name, sizeof name, kDialogClientNameFormat,
                  static_cast<unsigned long>(GetCurrentThreadId()));
    uint8_t client = 0;
    uint16_t version = 0;
    if (QelMkClient(name, 1, 0, &client) == 0) {
        char text[100];
        QelGetQelmarVer(client, &version, text);
        QelRmClient(client);
    }

    const HWND owner =
        version >= kOwnerFromVersion ? static_cast<HWND>(args->ownerWindow) : nullptr;
    const INT_PTR ended = DialogBoxParamA(DialogModule, MAKEINTRESOURCEA(IDD_TAG_FORMAT), owner,
                                          AddressDialogProc, 0);
    if (ended != IDOK) return kNoAddressComposed;

    // At most 3 x 4 characters and the NUL: 13 bytes, as the buffer holds.
    char* out = args->outputBuffer;
    out[0] = '\0';
    for (const char* field : {LineField, DetectorField, ZoneField}) {
        std::strcat(out, field[0] != '\0' ? field : "00");
    }
    return kDone;
}

}  // namespace zid
