// The "Tag Format" dialog of command 16, driven for real: the program calls
// SulMain with code 16 on its main thread, which shows the modal dialog from
// ZIZEZOZU.DLL; a second thread plays the user. It finds the dialog by its
// title and sends it the messages a user's actions produce: BM_CLICK on the
// radio buttons, OK and Cancel, WM_SETTEXT on the edits, WM_VSCROLL with
// SB_LINEUP / SB_LINEDOWN from the arrow scroll bars, Esc, the close box, and
// OK on the "Error" message box.
//
// The dialog is shown once per load of the driver, so each scenario runs in
// a process of its own:   dialog_tests.exe SCENARIO [DRIVER.DLL]
// The program loads the driver at run time, as a host does; a copy of it
// under another file name must show its dialog just the same.
// Exit code 0 when every check held, 1 otherwise.
//
// If the user thread gives up (a window that never appears, a failed check
// that leaves the dialog in an unknown state), it closes any message box and
// sends IDCANCEL, so the program always ends; ctest's TIMEOUT is the last net.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "address/dialog_ids.h"
#include "host_abi/commands.h"
#include "standin/qelmar_sim.h"

namespace {

using SulMainFn = int32_t (*)(DriverRequest*);
SulMainFn gSulMain = nullptr;

std::atomic<int> g_failures{0};

#define CHECK(cond)                                                                   \
    do {                                                                              \
        if (!(cond)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            ++g_failures;                                                             \
        }                                                                             \
    } while (0)

constexpr char kDialogClass[] = "#32770";
constexpr char kTitle[] = "Tag Format";
constexpr char kIllegal[] = "      Illegal Address.      ";
constexpr DWORD kDialogAppearMs = 30000;  // the first window of a fresh Wine is slow
constexpr DWORD kWindowMs = 10000;
constexpr int kMessageTextId = 0xFFFF;    // the message box's text control

// --- Small helpers around real messages --------------------------------------

HWND WaitVisible(const char* title, DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        HWND w = FindWindowA(kDialogClass, title);
        if (w != nullptr && IsWindowVisible(w)) return w;
        Sleep(10);
    }
    return nullptr;
}

bool WaitGone(HWND w, DWORD ms) {
    const DWORD start = GetTickCount();
    while (IsWindow(w)) {
        if (GetTickCount() - start >= ms) return false;
        Sleep(10);
    }
    return true;
}

std::string Text(HWND dialog, int id) {
    char buffer[64] = "";
    SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof buffer,
                 reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

void SetText(HWND dialog, int id, const char* text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// What the arrow scroll bar sends its parent when an arrow is pressed.
void Arrow(HWND dialog, int arrowId, int code) {
    SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(code, 0),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, arrowId)));
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
bool Checked(HWND dialog, int id) {
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

#define CHECK_TEXT(dialog, id, expect)                                                  \
    do {                                                                                \
        const std::string got_ = Text(dialog, id);                                      \
        if (got_ != (expect)) {                                                         \
            std::fprintf(stderr, "%s:%d: control %d reads \"%s\", expected \"%s\"\n",    \
                         __FILE__, __LINE__, id, got_.c_str(), std::string(expect).c_str()); \
            ++g_failures;                                                               \
        }                                                                               \
    } while (0)

// Sets the field, presses one arrow, and checks the field's new text.
#define CHECK_STEP(dialog, edit, arrow, before, code, expect) \
    do {                                                     \
        SetText(dialog, edit, before);                       \
        Arrow(dialog, arrow, code);                          \
        CHECK_TEXT(dialog, edit, expect);                    \
    } while (0)

// The six input controls: which are enabled.
void CheckEnabled(HWND dialog, bool line, bool detector, bool zone) {
    CHECK(Enabled(dialog, IDC_LINE_EDIT) == line);
    CHECK(Enabled(dialog, IDC_LINE_ARROW) == line);
    CHECK(Enabled(dialog, IDC_DETECTOR_EDIT) == detector);
    CHECK(Enabled(dialog, IDC_DETECTOR_ARROW) == detector);
    CHECK(Enabled(dialog, IDC_ZONE_EDIT) == zone);
    CHECK(Enabled(dialog, IDC_ZONE_ARROW) == zone);
}

void CheckOpening(HWND dialog) {
    CHECK_TEXT(dialog, IDC_LINE_EDIT, "00");
    CHECK_TEXT(dialog, IDC_DETECTOR_EDIT, "00");
    CHECK_TEXT(dialog, IDC_ZONE_EDIT, "00");
    CheckEnabled(dialog, false, false, false);
    CHECK(!Checked(dialog, IDC_KIND_LINE_DETECTOR));
    CHECK(!Checked(dialog, IDC_KIND_ZONE));
    CHECK(Enabled(dialog, IDOK) && Enabled(dialog, IDCANCEL));
}

// Presses OK where the dialog must refuse: the "Error" box owned by the
// dialog, with the message and only an OK button; dismissing it leaves the
// dialog open. False when the box never came (the caller then gives up).
bool OkExpectingMessage(HWND dialog, int line) {
    // Posted: the dialog's thread stays in the message box until it is dismissed.
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    HWND box = WaitVisible("Error", kWindowMs);
    if (box == nullptr) {
        std::fprintf(stderr, "line %d: no message box after OK\n", line);
        ++g_failures;
        return false;
    }
    CHECK(GetWindow(box, GW_OWNER) == dialog);
    char text[128] = "";
    GetDlgItemTextA(box, kMessageTextId, text, sizeof text);
    if (std::strcmp(text, kIllegal) != 0) {
        std::fprintf(stderr, "line %d: message reads \"%s\"\n", line, text);
        ++g_failures;
    }
    const HWND ok = GetDlgItem(box, IDOK);
    CHECK(ok != nullptr && IsWindowVisible(ok));
    for (int other : {IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
        const HWND b = GetDlgItem(box, other);
        CHECK(b == nullptr || !IsWindowVisible(b));
    }
    PostMessageA(ok, BM_CLICK, 0, 0);
    if (!WaitGone(box, kWindowMs)) {
        std::fprintf(stderr, "line %d: the message box did not close\n", line);
        ++g_failures;
        return false;
    }
    CHECK(IsWindow(dialog) && IsWindowVisible(dialog));
    return true;
}

bool PressAndWaitClosed(HWND dialog, int button) {
    PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
    const bool gone = WaitGone(dialog, kWindowMs);
    CHECK(gone);
    return gone;
}

// Optional hand-over for the screenshot taken by the test's wrapper script:
// announce that the dialog shows what it should, wait until it was taken.
void ScreenshotPause() {
    const char* ready = std::getenv("ZID_SCREENSHOT_READY");
    const char* taken = std::getenv("ZID_SCREENSHOT_TAKEN");
    if (ready == nullptr || taken == nullptr) return;
    UpdateWindow(FindWindowA(kDialogClass, kTitle));
    HANDLE f = CreateFileA(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(taken) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 30000) {
        Sleep(50);
    }
}

// --- Scenarios ----------------------------------------------------------------
// Each user function returns false when it gave up with the dialog still open.

bool LineAndDetector(HWND d) {
    CheckOpening(d);
    if (!OkExpectingMessage(d, __LINE__)) return false;  // no kind chosen yet

    Click(d, IDC_KIND_LINE_DETECTOR);
    CHECK(Checked(d, IDC_KIND_LINE_DETECTOR) && !Checked(d, IDC_KIND_ZONE));
    CheckEnabled(d, true, true, false);

    // Wrap-arounds at 12/00 and 40/00.
    CHECK_STEP(d, IDC_LINE_EDIT, IDC_LINE_ARROW, "12", SB_LINEUP, "00");
    CHECK_STEP(d, IDC_LINE_EDIT, IDC_LINE_ARROW, "00", SB_LINEDOWN, "12");
    CHECK_STEP(d, IDC_LINE_EDIT, IDC_LINE_ARROW, "11", SB_LINEUP, "12");
    CHECK_STEP(d, IDC_DETECTOR_EDIT, IDC_DETECTOR_ARROW, "40", SB_LINEUP, "00");
    CHECK_STEP(d, IDC_DETECTOR_EDIT, IDC_DETECTOR_ARROW, "00", SB_LINEDOWN, "40");
    CHECK_STEP(d, IDC_DETECTOR_EDIT, IDC_DETECTOR_ARROW, "39", SB_LINEUP, "40");
    // Texts that are not a number within range step as if they held 00.
    CHECK_STEP(d, IDC_LINE_EDIT, IDC_LINE_ARROW, "ab", SB_LINEUP, "01");
    CHECK_STEP(d, IDC_LINE_EDIT, IDC_LINE_ARROW, "ab", SB_LINEDOWN, "12");
    CHECK_STEP(d, IDC_DETECTOR_EDIT, IDC_DETECTOR_ARROW, "55", SB_LINEUP, "01");
    CHECK_STEP(d, IDC_DETECTOR_EDIT, IDC_DETECTOR_ARROW, "55", SB_LINEDOWN, "40");
    // Only the first two characters are read: "123" steps from 12.
    CHECK_STEP(d, IDC_DETECTOR_EDIT, IDC_DETECTOR_ARROW, "123", SB_LINEUP, "13");

    // Other scroll codes, and senders that are no arrow, change nothing.
    SetText(d, IDC_LINE_EDIT, "05");
    for (int code : {SB_PAGEUP, SB_PAGEDOWN, SB_THUMBPOSITION, SB_THUMBTRACK, SB_ENDSCROLL}) {
        Arrow(d, IDC_LINE_ARROW, code);
    }
    SendMessageA(d, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_LINE_EDIT)));
    SendMessageA(d, WM_VSCROLL, SB_LINEUP, 0);
    CHECK_TEXT(d, IDC_LINE_EDIT, "05");
    // One field's arrow leaves the other field alone.
    CHECK_STEP(d, IDC_DETECTOR_EDIT, IDC_DETECTOR_ARROW, "13", SB_LINEUP, "14");
    CHECK_TEXT(d, IDC_LINE_EDIT, "05");

    // An emptied field refuses, and the dialog stays open.
    SetText(d, IDC_LINE_EDIT, "");
    if (!OkExpectingMessage(d, __LINE__)) return false;

    SetText(d, IDC_LINE_EDIT, "05");
    SetText(d, IDC_DETECTOR_EDIT, "33");
    ScreenshotPause();
    return PressAndWaitClosed(d, IDOK);
}

bool Zone(HWND d) {
    CheckOpening(d);
    Click(d, IDC_KIND_LINE_DETECTOR);
    SetText(d, IDC_LINE_EDIT, "05");
    Click(d, IDC_KIND_ZONE);
    CHECK(Checked(d, IDC_KIND_ZONE) && !Checked(d, IDC_KIND_LINE_DETECTOR));
    CheckEnabled(d, false, false, true);
    CHECK_TEXT(d, IDC_LINE_EDIT, "05");  // switching kinds clears nothing

    CHECK_STEP(d, IDC_ZONE_EDIT, IDC_ZONE_ARROW, "12", SB_LINEUP, "00");
    CHECK_STEP(d, IDC_ZONE_EDIT, IDC_ZONE_ARROW, "00", SB_LINEDOWN, "12");
    CHECK_STEP(d, IDC_ZONE_EDIT, IDC_ZONE_ARROW, "xy", SB_LINEDOWN, "12");

    // Back and forth: each kind enables its own controls only.
    Click(d, IDC_KIND_LINE_DETECTOR);
    CheckEnabled(d, true, true, false);
    Click(d, IDC_KIND_ZONE);
    CheckEnabled(d, false, false, true);

    SetText(d, IDC_ZONE_EDIT, "07");
    return PressAndWaitClosed(d, IDOK);
}

bool ShortFields(HWND d) {
    Click(d, IDC_KIND_LINE_DETECTOR);
    SetText(d, IDC_LINE_EDIT, "7");
    SetText(d, IDC_DETECTOR_EDIT, "3");
    return PressAndWaitClosed(d, IDOK);
}

bool LongField(HWND d) {
    Click(d, IDC_KIND_ZONE);
    SetText(d, IDC_ZONE_EDIT, "");
    if (!OkExpectingMessage(d, __LINE__)) return false;
    Click(d, IDC_KIND_LINE_DETECTOR);
    SetText(d, IDC_LINE_EDIT, "12345");
    SetText(d, IDC_DETECTOR_EDIT, "05");
    return PressAndWaitClosed(d, IDOK);
}

bool CancelButton(HWND d) {
    CheckOpening(d);
    Click(d, IDC_KIND_LINE_DETECTOR);
    SetText(d, IDC_LINE_EDIT, "05");
    SetText(d, IDC_DETECTOR_EDIT, "33");
    return PressAndWaitClosed(d, IDCANCEL);
}

bool EscapeKey(HWND d) {
    Click(d, IDC_KIND_ZONE);
    SetText(d, IDC_ZONE_EDIT, "07");
    // Through the modal loop's dialog-message handling, as a key press goes.
    PostMessageA(GetDlgItem(d, IDC_ZONE_EDIT), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(GetDlgItem(d, IDC_ZONE_EDIT), WM_KEYUP, VK_ESCAPE, 0xC0010001);
    const bool gone = WaitGone(d, kWindowMs);
    CHECK(gone);
    return gone;
}

bool CloseBox(HWND d) {
    Click(d, IDC_KIND_ZONE);
    SetText(d, IDC_ZONE_EDIT, "07");
    // What the caption's close box sends.
    PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
    const bool gone = WaitGone(d, kWindowMs);
    CHECK(gone);
    return gone;
}

struct Scenario {
    const char* name;
    uint16_t version;       // what the host reports
    bool failMkClient;      // the short-lived client cannot be made
    bool passOwner;         // the host passes an owner window
    bool (*user)(HWND dialog);
    int32_t result;
    const char* address;    // nullptr: the buffer must stay untouched
};

const Scenario kScenarios[] = {
    {"line_detector", 820, false, true, LineAndDetector, 0, "053300"},
    {"zone", 819, false, true, Zone, 0, "000007"},
    {"short_fields", 820, false, false, ShortFields, 0, "7300"},
    {"long_field", 820, false, true, LongField, 0, "12340500"},
    {"cancel", 820, false, true, CancelButton, 53, nullptr},
    {"escape", 820, false, true, EscapeKey, 53, nullptr},
    {"close_box", 819, false, false, CloseBox, 53, nullptr},
    {"no_client", 820, true, true, CancelButton, 53, nullptr},
};

struct Session {
    const Scenario* scenario;
    HWND expectedOwner;
    DWORD hostThread;
};

DWORD WINAPI UserThread(void* param) {
    const Session& s = *static_cast<Session*>(param);
    const HWND dialog = WaitVisible(kTitle, kDialogAppearMs);
    if (dialog == nullptr) {
        std::fprintf(stderr, "the \"%s\" dialog never appeared\n", kTitle);
        ++g_failures;
        return 1;
    }
    CHECK(GetWindowThreadProcessId(dialog, nullptr) == s.hostThread);
    CHECK(GetWindow(dialog, GW_OWNER) == s.expectedOwner);
    char title[64] = "";
    GetWindowTextA(dialog, title, sizeof title);
    CHECK(std::strcmp(title, kTitle) == 0);

    if (!s.scenario->user(dialog) && IsWindow(dialog)) {
        // Give up without hanging: close a message box, then cancel.
        if (HWND box = FindWindowA(kDialogClass, "Error")) {
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        ++g_failures;
    }
    return 0;
}

// During the second command 16: a dialog must not appear; if one does, it
// is a failure, and it is cancelled so that the program still ends.
std::atomic<bool> g_secondCallDone{false};
DWORD WINAPI CancelAnyDialog(void*) {
    const DWORD start = GetTickCount();
    while (!g_secondCallDone && GetTickCount() - start < 5000) {
        if (HWND d = FindWindowA(kDialogClass, kTitle)) {
            std::fprintf(stderr, "a second dialog was shown\n");
            ++g_failures;
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
            return 1;
        }
        Sleep(10);
    }
    return 0;
}

// The caller's 13-byte buffer with guard bytes around it.
struct GuardedOutput {
    unsigned char before[16];
    char buffer[13];
    unsigned char after[19];
};

void CheckHostCalls(const Scenario& sc, DWORD hostThread) {
    char name[64];
    std::snprintf(name, sizeof name, "SulVORBr%02lu", static_cast<unsigned long>(hostThread));
    const uint32_t n = QelSimCallLogCount();
    QelSimCall calls[8] = {};
    for (uint32_t i = 0; i < n && i < 8; ++i) QelSimCallLogGet(i, &calls[i]);

    CHECK(n == (sc.failMkClient ? 1u : 3u));
    CHECK(calls[0].kind == kCallMkClient);
    CHECK(std::strcmp(calls[0].text, name) == 0);
    CHECK(calls[0].args[0] == 1 && calls[0].args[1] == 0);
    if (!sc.failMkClient) {
        const uint8_t client = calls[0].clientId;
        CHECK(client != 0);
        CHECK(calls[1].kind == kCallGetVersion && calls[1].clientId == client);
        CHECK(calls[2].kind == kCallRmClient && calls[2].clientId == client);
        CHECK(QelSimFindClient(name) == 0);  // the short-lived client is gone
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Scenario* sc = nullptr;
    for (const Scenario& s : kScenarios) {
        if (argc > 1 && std::strcmp(argv[1], s.name) == 0) sc = &s;
    }
    if (sc == nullptr) {
        std::fprintf(stderr, "usage: dialog_tests SCENARIO   (one per process)\n");
        for (const Scenario& s : kScenarios) std::fprintf(stderr, "  %s\n", s.name);
        return 2;
    }

    const char* dll = argc > 2 ? argv[2] : "ZIZEZOZU.DLL";
    const HMODULE driver = LoadLibraryA(dll);
    gSulMain = driver ? reinterpret_cast<SulMainFn>(
                            reinterpret_cast<void*>(GetProcAddress(driver, "SulMain")))
                      : nullptr;
    if (gSulMain == nullptr) {
        std::fprintf(stderr, "cannot load %s or find its SulMain\n", dll);
        return 1;
    }

    QelSimReset();
    QelSimSetVersion(sc->version);
    QelSimFailMkClient(sc->failMkClient ? 1 : 0);

    HWND owner = nullptr;
    if (sc->passOwner) {
        owner = CreateWindowExA(0, "STATIC", "Host window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                40, 480, 320, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        CHECK(owner != nullptr);
    }
    const bool owned = owner != nullptr && !sc->failMkClient && sc->version >= 820;

    Session session{sc, owned ? owner : nullptr, GetCurrentThreadId()};
    QelSimCallLogClear();
    HANDLE user = CreateThread(nullptr, 0, UserThread, &session, 0, nullptr);
    CHECK(user != nullptr);

    GuardedOutput out;
    std::memset(&out, 0x5A, sizeof out);
    const GuardedOutput untouched = out;
    zid::AddressDialogArgs args{out.buffer, owner};
    DriverRequest request{nullptr, CodeOf(zid::Command::kComposeAddress), 1, 0, &args};
    const int32_t result = gSulMain(&request);

    if (user != nullptr) {
        CHECK(WaitForSingleObject(user, kDialogAppearMs + 60000) == WAIT_OBJECT_0);
        CloseHandle(user);
    }
    CHECK(result == sc->result);
    if (sc->address != nullptr) {
        GuardedOutput expect = untouched;
        std::memcpy(expect.buffer, sc->address, std::strlen(sc->address) + 1);
        if (std::strcmp(out.buffer, sc->address) != 0) {
            std::fprintf(stderr, "composed \"%.13s\", expected \"%s\"\n", out.buffer, sc->address);
        }
        CHECK(std::memcmp(&out, &expect, sizeof out) == 0);
    } else {
        CHECK(std::memcmp(&out, &untouched, sizeof out) == 0);
    }
    CheckHostCalls(*sc, session.hostThread);

    // A composed address of the short form is refused by command 3.
    if (std::strcmp(sc->name, "short_fields") == 0) {
        static zid::ChannelContext context;  // 640 KB: not on the stack
        char tag[16];
        std::strcpy(tag, out.buffer);
        zid::TagAddressArgs tagArgs{};
        tagArgs.address = tag;
        DriverRequest validate{&context, CodeOf(zid::Command::kValidateAddress), 1, 0, &tagArgs};
        CHECK(gSulMain(&validate) == zid::kRefused);
        CHECK(context.count == 0);
    }

    // The dialog is shown once per load: a second command 16 answers at once,
    // without the host and without a window, and leaves the buffer alone.
    QelSimCallLogClear();
    HANDLE watch = CreateThread(nullptr, 0, CancelAnyDialog, nullptr, 0, nullptr);
    const GuardedOutput before = out;
    const DWORD start = GetTickCount();
    CHECK(gSulMain(&request) == zid::kNoAddressComposed);
    CHECK(GetTickCount() - start < 1000);
    CHECK(QelSimCallLogCount() == 0);
    CHECK(FindWindowA(kDialogClass, kTitle) == nullptr);
    CHECK(std::memcmp(&out, &before, sizeof out) == 0);
    g_secondCallDone = true;
    if (watch != nullptr) {
        WaitForSingleObject(watch, 10000);
        CloseHandle(watch);
    }

    if (owner != nullptr) DestroyWindow(owner);
    std::fprintf(stderr, "%s: %s\n", sc->name, g_failures == 0 ? "passed" : "FAILED");
    return g_failures == 0 ? 0 : 1;
}
