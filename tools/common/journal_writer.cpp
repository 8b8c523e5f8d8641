#include "tools/common/journal_writer.h"

#include <filesystem>
#include <system_error>

#include "tools/common/files.h"

namespace zidtools {

JournalWriter::~JournalWriter() { Close(); }

Status JournalWriter::Open(const std::string& dir) {
    std::lock_guard<std::mutex> guard(lock_);
    if (file_) return Failure{"the journal is already open"};
    std::error_code ec;
    if (!dir.empty()) std::filesystem::create_directories(dir, ec);
    if (ec) return Failure{"cannot make the folder " + dir + ": " + ec.message()};
    const std::string path = PathIn(dir, kJournalFileName);
    bool header = true;
    if (const Outcome<std::string> existing = ReadFileBytes(path); existing && !existing->empty()) {
        size_t keep = 0;
        // A file holding no more than (part of) the header is begun afresh.
        if (JournalHeader().compare(0, existing->size(), *existing) != 0) {
            const Outcome<ParsedJournal> parsed = ParseJournal(*existing);
            if (!parsed) return Failure{path + " is not a journal: " + parsed.Error()};
            keep = parsed->completeBytes;
            header = false;
        }
        if (keep < existing->size()) std::filesystem::resize_file(path, keep, ec);
        if (ec) return Failure{"cannot cut the unfinished last row of " + path + ": " + ec.message()};
    }
    file_ = std::fopen(path.c_str(), "ab");
    if (!file_) return Failure{"cannot write " + path};
    if (header) {
        const std::string h = JournalHeader();
        if (std::fwrite(h.data(), 1, h.size(), file_) != h.size() || std::fflush(file_) != 0) {
            std::fclose(file_);
            file_ = nullptr;
            return Failure{"cannot write " + path};
        }
    }
    return Done{};
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
