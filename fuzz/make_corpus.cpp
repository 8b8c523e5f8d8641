// Writes the seed corpora of the fuzz targets from the lines and texts the
// tests use: every panel event as the composer builds it, the framing cases,
// and the address and arrow-step cases. Run once; the output is kept in
// fuzz/corpus/<target>/.
//   make_corpus OUT_DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/common/line_composer.h"

namespace {

namespace fs = std::filesystem;
fs::path gOut;
int gSerial = 0;

void Put(const char* target, const std::string& bytes) {
    fs::create_directories(gOut / target);
    char name[32];
    std::snprintf(name, sizeof name, "seed-%04d", gSerial++);
    std::ofstream(gOut / target / name, std::ios::binary) << bytes;
}

std::string Line(zid::PanelEvent event, int line, int detector, int zone, bool end) {
    zid::PanelLineFields f{event};
    f.line = line;
    f.detector = detector;
    f.zone = zone;
    f.endMarker = end;
    f.hour = 10;
    f.minute = 15;
    f.second = 30;
    char out[128] = {};
    const size_t n = zid::ComposePanelLine(f, out, sizeof out);
    return std::string(out, n);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    gOut = argv[1];
    using E = zid::PanelEvent;
    const E events[] = {E::FireLine, E::FireZone, E::FaultLine, E::FaultZone, E::FaultLineEnd,
                        E::FaultZoneEnd, E::PowerFaultEnd, E::PowerFault, E::SounderSilenced,
                        E::TestEnd, E::TestStart, E::Reset};
    std::string all;
    for (E e : events) {
        for (int variant = 0; variant < 3; ++variant) {
            const int line = variant == 0 ? 12 : variant == 1 ? 3 : 0;
            const int det = variant == 0 ? 0 : variant == 1 ? 12 : 1;
            const int zone = variant == 2 ? 12 : 7;
            const std::string l = Line(e, line, det, zone, variant == 1);
            if (l.empty()) continue;
            Put("wire", std::string(1, '\0') + l + '\0');
            Put("wire", std::string(1, char(variant + 1)) + "\r\n" + l + "\r\n" + '\0');
            all += l + '\0';
        }
    }
    Put("wire", std::string(1, '\0') + all);
    Put("wire", std::string(1, '\x03') + all);
    // Framing edges: lone NUL, CR LF NUL, 100 and 101 characters, high bytes.
    std::string letters;
    for (int i = 0; i < 101; ++i) letters += char('A' + i % 26);
    Put("wire", std::string("\0\0", 2));
    Put("wire", std::string("\0\r\n\0", 4));
    Put("wire", std::string(1, '\0') + letters.substr(0, 100) + '\0');
    Put("wire", std::string(1, '\0') + letters + "XYZ" + '\0');
    Put("wire", std::string(1, '\0') + letters.substr(0, 100));
    std::string high(1, '\0');
    for (int b = 0x80; b <= 0xFF; ++b) high += char(b);
    Put("wire", high.substr(0, 100) + '\0' + high.substr(100) + '\0');

    const char* addresses[] = {"!t", "!T", "!r", "!F", "!s", "!A", "!5", "!TT", "!",
                               "120000", "124012", "000012", "000000", "130000", "004100",
                               "000013", "1a4000", "12 000", "1200000", "12000", "", "ab{",
                               "0123456789012345678901234567890123456789", "~~~~~~"};
    for (const char* a : addresses) {
        Put("address", std::string(1, '\0') + a);
        Put("address", std::string(1, '\x01') + a);
    }
    Put("address", std::string(1, '\x02') + "120000");

    const char* fields[] = {"00", "12", "05", "40", "ab", "55", "123", "7", "", " 3", "-1", "+4",
                            "99999999999", "3x"};
    for (const char* t : fields) {
        for (int mode : {0, 2, 4, 6}) Put("spin", std::string(1, char(mode)) + t);
        Put("spin", std::string("\x08\x05", 2) + t);
        // Raw mode: lower 0, upper 40, value 0, code 0, then the text.
        Put("spin", std::string("\x01" "\0\0\0\0" "\x28\0\0\0" "\0\0\0\0" "\0\0\0\0", 17) + t);
    }
    std::printf("%d seeds written\n", gSerial);
    return 0;
}
