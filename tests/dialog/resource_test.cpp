// The "Tag Format" template as compiled into ZIZEZOZU.DLL: found through the
// resource API in language 1037 only, and read back field by field from the
// standard (not extended) template bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "address/dialog_ids.h"

namespace {

struct Control {
    uint16_t id;
    uint16_t classAtom;  // Button 0x80, Edit 0x81, Static 0x82, ScrollBar 0x84
    const char* text;
    DWORD style;
    int16_t x, y, cx, cy;
};

constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
constexpr DWORD kRadio = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON;
constexpr DWORD kArrow = WS_CHILD | WS_VISIBLE | SBS_VERT;

const Control kControls[16] = {
    {1003, 0x81, "", kEdit | ES_CENTER, 157, 18, 20, 12},
    {1015, 0x81, "", kEdit | ES_CENTER, 157, 37, 20, 12},
    {1, 0x80, "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 52, 96, 50, 14},
    {2, 0x80, "Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 138, 96, 50, 14},
    {1001, 0x84, "", kArrow | SBS_LEFTALIGN, 177, 18, 10, 12},
    {1016, 0x84, "", kArrow, 177, 37, 10, 12},
    {1033, 0x82, "( 00 - 12 )", kLabel, 200, 19, 33, 8},
    {1034, 0x82, "( 00 - 40 )", kLabel, 200, 39, 31, 8},
    {1040, 0x82, "Detector number", kLabel, 89, 38, 54, 8},
    {1036, 0x80, "Line && Detector", kRadio, 7, 19, 65, 10},
    {1037, 0x80, "Zone", kRadio, 7, 66, 33, 10},
    {0xFFFF, 0x82, "Zone number", kLabel, 89, 67, 43, 8},
    {1002, 0x81, "", kEdit, 157, 64, 19, 12},
    {1039, 0x84, "", kArrow, 177, 64, 10, 12},
    {1042, 0x82, "( 00 - 12 )", kLabel, 200, 66, 31, 8},
    {0xFFFF, 0x82, "Line number", kLabel, 89, 20, 40, 8},
};

// A cursor over the template's WORD stream.
struct Reader {
    const uint8_t* base;
    size_t size;
    size_t at = 0;
    bool overrun = false;

    uint16_t Word() {
        if (at + 2 > size) { overrun = true; return 0; }
        uint16_t w;
        std::memcpy(&w, base + at, 2);
        at += 2;
        return w;
    }
    uint32_t Dword() {
        const uint32_t lo = Word();
        return lo | (uint32_t{Word()} << 16);
    }
    // A name-or-ordinal field: 0 (none), 0xFFFF + ordinal, or a UTF-16 string.
    // Returns the ordinal, or 0 with the string (ASCII here) in text.
    uint16_t NameOrOrdinal(std::string* text) {
        text->clear();
        uint16_t w = Word();
        if (w == 0xFFFF) return Word();
        for (; w != 0 && !overrun; w = Word()) text->push_back(static_cast<char>(w));
        return 0;
    }
    void AlignDword() { at = (at + 3) & ~size_t{3}; }
};

class DialogResource : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryExA("ZIZEZOZU.DLL", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << "error " << GetLastError();
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    HMODULE module = nullptr;
};

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
}

TEST_F(DialogResource, OnlyInLanguage1037) {
    std::vector<WORD> languages;
    EnumResourceLanguagesA(module, MAKEINTRESOURCEA(5) /* RT_DIALOG */,
                           MAKEINTRESOURCEA(IDD_TAG_FORMAT), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    ASSERT_EQ(languages.size(), 1u);
    EXPECT_EQ(languages[0], 1037);
    EXPECT_EQ(languages[0], MAKELANGID(LANG_HEBREW, SUBLANG_HEBREW_ISRAEL));
}

TEST_F(DialogResource, TemplateAsSpecified) {
    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(5) /* RT_DIALOG */,
                                  MAKEINTRESOURCEA(IDD_TAG_FORMAT),
                                  MAKELANGID(LANG_HEBREW, SUBLANG_HEBREW_ISRAEL));
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    Reader r{bytes, SizeofResource(module, found)};

    // Header: a standard template (an extended one starts 1, 0xFFFF).
    const DWORD style = r.Dword();
    EXPECT_NE(style & 0xFFFF0000u, 0xFFFF0000u);
    EXPECT_EQ(style, DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(r.Dword(), 0u) << "extended style";
    const uint16_t count = r.Word();
    EXPECT_EQ(count, 16);
    EXPECT_EQ(static_cast<int16_t>(r.Word()), 0);
    EXPECT_EQ(static_cast<int16_t>(r.Word()), 0);
    EXPECT_EQ(static_cast<int16_t>(r.Word()), 240);
    EXPECT_EQ(static_cast<int16_t>(r.Word()), 117);
    std::string text;
    EXPECT_EQ(r.NameOrOrdinal(&text), 0);
    EXPECT_EQ(text, "") << "menu";
    EXPECT_EQ(r.NameOrOrdinal(&text), 0);
    EXPECT_EQ(text, "") << "dialog class";
    EXPECT_EQ(r.NameOrOrdinal(&text), 0);
    EXPECT_EQ(text, "Tag Format");
    EXPECT_EQ(r.Word(), 8) << "font size";
    r.NameOrOrdinal(&text);
    EXPECT_EQ(text, "MS Sans Serif");

    for (int i = 0; i < count && i < 16; ++i) {
        const Control& c = kControls[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + ", id " + std::to_string(c.id));
        r.AlignDword();
        EXPECT_EQ(r.Dword(), c.style);
        EXPECT_EQ(r.Dword(), 0u) << "extended style";
        EXPECT_EQ(static_cast<int16_t>(r.Word()), c.x);
        EXPECT_EQ(static_cast<int16_t>(r.Word()), c.y);
        EXPECT_EQ(static_cast<int16_t>(r.Word()), c.cx);
        EXPECT_EQ(static_cast<int16_t>(r.Word()), c.cy);
        EXPECT_EQ(r.Word(), c.id);
        EXPECT_EQ(r.NameOrOrdinal(&text), c.classAtom);
        EXPECT_EQ(r.NameOrOrdinal(&text), 0);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(r.Word(), 0) << "creation data";
    }
    EXPECT_FALSE(r.overrun);
    r.AlignDword();
    EXPECT_LE(r.at, r.size);
}

}  // namespace
