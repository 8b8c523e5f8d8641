// Writes the session journal, DIR/events.csv, as things happen: each row is
// appended and flushed at once, so that a run that is killed still leaves
// everything up to its last complete row.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "tools/common/journal_row.h"
#include "tools/common/outcome.h"

namespace zidtools {

// Append may be called from any thread. Open makes the folder when needed
// and writes the header to a new or empty file; a journal that is already
// there keeps its rows (a run with --continue adds its own), and a last row that a
// killed run left unfinished is cut away first, so it cannot swallow the
// rows that follow. A file that is not a journal is refused.
class JournalWriter {
public:
    JournalWriter() = default;
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;
    ~JournalWriter();

    Status Open(const std::string& dir);
    bool IsOpen() const { return file_ != nullptr; }
    // False when the row could not be written (disk full, folder gone).
    bool Append(const JournalRow& row);
    void Close();

private:
    std::mutex lock_;
    std::FILE* file_ = nullptr;
};

}  // namespace zidtools
