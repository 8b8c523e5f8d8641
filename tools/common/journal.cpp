#include "tools/common/journal.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "panel/decoder.h"

namespace zidtools {
namespace {

constexpr const char* kColumns[] = {"time",  "channel", "kind", "address",
                                    "label", "old",     "new",  "text"};
constexpr size_t kFieldCount = 8;

bool Digits(const std::string& text, size_t at, size_t count, int& value) {
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long long DaysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool ParseChannel(const std::string& text, int& channel) {
    if (text.empty() || text.size() > 9) return false;
    return Digits(text, 0, text.size(), channel);
}

}  // namespace

std::string FormatLocalTime(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const long long ms = duration_cast<milliseconds>(when.time_since_epoch()).count();
    long long seconds = ms / 1000;
    int milli = static_cast<int>(ms % 1000);
    if (milli < 0) milli += 1000, --seconds;
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  milli);
    return text;
}

bool ParseJournalTime(const std::string& text, long long& milliseconds) {
    // YYYY-MM-DD HH:MM:SS.mmm
    if (text.size() != 23 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':' || text[19] != '.')
        return false;
    int year, month, day, hour, minute, second, milli;
    if (!Digits(text, 0, 4, year) || !Digits(text, 5, 2, month) || !Digits(text, 8, 2, day) ||
        !Digits(text, 11, 2, hour) || !Digits(text, 14, 2, minute) ||
        !Digits(text, 17, 2, second) || !Digits(text, 20, 3, milli))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return false;
    milliseconds = ((DaysFromCivil(year, month, day) * 24 + hour) * 60 + minute) * 60000LL +
                   second * 1000LL + milli;
    return true;
}

std::string HexWord(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

bool ParseHexWord(const std::string& text, uint16_t& value) {
    if (text.size() < 3 || text.size() > 6 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return false;
    unsigned v = 0;
    for (size_t i = 2; i < text.size(); ++i) {
        const char c = text[i];
        const int d = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
        if (d < 0) return false;
        v = v * 16 + static_cast<unsigned>(d);
    }
    value = static_cast<uint16_t>(v);
    return true;
}

const char* EventWord(zid::PanelEvent event) {
    using zid::PanelEvent;
    switch (event) {
        case PanelEvent::FireLine:
            return "fire (line)";
        case PanelEvent::FireZone:
            return "fire (zone)";
        case PanelEvent::FaultLine:
            return "fault (line)";
        case PanelEvent::FaultZone:
            return "fault (zone)";
        case PanelEvent::FaultLineEnd:
            return "end of fault (line)";
        case PanelEvent::FaultZoneEnd:
            return "end of fault (zone)";
        case PanelEvent::PowerFault:
            return "power fault";
        case PanelEvent::PowerFaultEnd:
            return "end of power fault";
        case PanelEvent::SounderSilenced:
            return "sounder silenced";
        case PanelEvent::TestStart:
            return "test start";
        case PanelEvent::TestEnd:
            return "test end";
        case PanelEvent::Reset:
            return "reset";
    }
    return "?";
}

const char* LineEventWord(const std::string& line) {
    zid::PanelEvent event;
    if (!zid::FindLineEvent(line.c_str(), &event)) return nullptr;
    return EventWord(event);
}

bool IsFireWord(const std::string& word) { return word.rfind("fire", 0) == 0; }
bool IsFaultWord(const std::string& word) { return word.rfind("fault", 0) == 0; }

std::string StartText(const StartFacts& facts) {
    std::string out;
    for (const auto& [key, value] : facts) {
        if (!out.empty()) out += "; ";
        out += key;
        out += '=';
        for (char c : value) {
            if (c == ';' || c == '\\') out += '\\';
            out += c;
        }
    }
    return out;
}

StartFacts ParseStartText(const std::string& text) {
    StartFacts facts;
    std::string pair;
    auto take = [&] {
        const size_t eq = pair.find('=');
        if (eq != std::string::npos) facts.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
        pair.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            pair += text[++i];
        } else if (text[i] == ';') {
            take();
            while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
        } else {
            pair += text[i];
        }
    }
    take();
    return facts;
}

std::string FactOf(const StartFacts& facts, const std::string& key) {
    for (const auto& [k, v] : facts)
        if (k == key) return v;
    return {};
}

void AppendCsvField(std::string& out, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::string JournalHeader() { return "time,channel,kind,address,label,old,new,text\r\n"; }

std::string FormatJournalRow(const JournalRow& row) {
    std::string out;
    out.reserve(64 + row.text.size() + row.label.size());
    AppendCsvField(out, row.time);
    out += ',';
    out += std::to_string(row.channel);
    const std::string* rest[] = {&row.kind,     &row.address,  &row.label,
                                 &row.oldValue, &row.newValue, &row.text};
    for (const std::string* field : rest) {
        out += ',';
        AppendCsvField(out, *field);
    }
    out += "\r\n";
    return out;
}

ParsedJournal ParseJournal(const std::string& text) {
    ParsedJournal out;
    const char* const s = text.data();
    const size_t n = text.size();
    size_t i = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a byte-order mark
    out.rows.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
    // The fields go straight into the row; fields beyond the eighth are
    // only counted.
    JournalRow row;
    std::string channel;
    std::string* const targets[kFieldCount] = {&row.time,     &channel,   &row.kind,
                                               &row.address,  &row.label, &row.oldValue,
                                               &row.newValue, &row.text};
    bool header = true;
    while (i < n) {
        // One record: fields up to a line end. A record that the text ends
        // inside of (no line end, or a quote still open) was cut off.
        size_t count = 0;
        bool complete = false;
        while (true) {
            std::string* field = count < kFieldCount ? targets[count] : nullptr;
            if (field) field->clear();
            if (i < n && s[i] == '"') {
                ++i;
                bool closed = false;
                while (i < n) {
                    const void* quote = std::memchr(s + i, '"', n - i);
                    const size_t at =
                        quote ? static_cast<size_t>(static_cast<const char*>(quote) - s) : n;
                    if (field) field->append(s + i, at - i);
                    i = at;
                    if (at >= n) break;
                    if (at + 1 < n && s[at + 1] == '"') {  // a doubled quote
                        if (field) *field += '"';
                        i = at + 2;
                        continue;
                    }
                    i = at + 1;
                    closed = true;
                    break;
                }
                if (!closed) break;
            }
            // Unquoted text, or whatever stands between a closing quote and
            // the next separator.
            size_t stop = i;
            while (stop < n && s[stop] != ',' && s[stop] != '\r' && s[stop] != '\n') ++stop;
            if (field) field->append(s + i, stop - i);
            i = stop;
            ++count;
            if (i >= n) break;
            if (s[i] == ',') {
                ++i;
                continue;
            }
            if (s[i] == '\r') {
                if (i + 1 >= n) break;  // cut between CR and LF
                i += s[i + 1] == '\n' ? 2 : 1;
            } else {
                ++i;  // LF
            }
            complete = true;
            break;
        }
        if (!complete) {
            ++out.cutOff;
            break;
        }
        out.completeBytes = i;
        if (header) {
            bool same = count == kFieldCount;
            for (size_t k = 0; same && k < kFieldCount; ++k) same = *targets[k] == kColumns[k];
            if (!same) {
                out.error = "the first line is not the journal's header (" +
                            JournalHeader().substr(0, JournalHeader().size() - 2) + ")";
                out.completeBytes = 0;
                return out;
            }
            header = false;
            continue;
        }
        if (count == 1 && row.time.empty()) continue;  // an empty line
        if (count != kFieldCount || !ParseChannel(channel, row.channel)) {
            ++out.unreadable;
            continue;
        }
        out.rows.push_back(std::move(row));
    }
    if (header) {
        out.error = "no header line: not a journal, or an empty one";
        out.completeBytes = 0;
    }
    return out;
}

std::string PathIn(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    const char last = dir.back();
    return last == '/' || last == '\\' ? dir + name : dir + "/" + name;
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    bytes = all.str();
    return !in.bad();
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

JournalWriter::~JournalWriter() { Close(); }

bool JournalWriter::Open(const std::string& dir, std::string& error) {
    std::lock_guard<std::mutex> guard(lock_);
    if (file_) {
        error = "the journal is already open";
        return false;
    }
    std::error_code ec;
    if (!dir.empty()) std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = "cannot make the folder " + dir + ": " + ec.message();
        return false;
    }
    const std::string path = PathIn(dir, kJournalFileName);
    std::string existing;
    bool header = true;
    if (ReadFileBytes(path, existing) && !existing.empty()) {
        size_t keep = 0;
        if (JournalHeader().compare(0, existing.size(), existing) != 0) {
            const ParsedJournal parsed = ParseJournal(existing);
            if (!parsed.error.empty()) {
                error = path + " is not a journal: " + parsed.error;
                return false;
            }
            keep = parsed.completeBytes;
            header = false;
        }
        if (keep < existing.size()) std::filesystem::resize_file(path, keep, ec);
        if (ec) {
            error = "cannot cut the unfinished last row of " + path + ": " + ec.message();
            return false;
        }
    }
    file_ = std::fopen(path.c_str(), "ab");
    if (!file_) {
        error = "cannot write " + path;
        return false;
    }
    if (header) {
        const std::string h = JournalHeader();
        if (std::fwrite(h.data(), 1, h.size(), file_) != h.size() || std::fflush(file_) != 0) {
            std::fclose(file_);
            file_ = nullptr;
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

bool JournalWriter::Append(const JournalRow& row) {
    const std::string record = FormatJournalRow(row);
    std::lock_guard<std::mutex> guard(lock_);
    if (!file_) return false;
    return std::fwrite(record.data(), 1, record.size(), file_) == record.size() &&
           std::fflush(file_) == 0;
}

void JournalWriter::Close() {
    std::lock_guard<std::mutex> guard(lock_);
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

}  // namespace zidtools
