// CSV as spreadsheets read it (RFC 4180): a field holding a comma, a double
// quote, CR or LF is quoted, with its quotes doubled. One writer and one
// reader for every CSV file of the tools: the session journal, the walk-test
// report and the demo's checks of it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zidtools {

// Appends one field, quoted when it must be.
void AppendCsvField(std::string& out, std::string_view field);

// Reads the records of a CSV text one after another. A UTF-8 byte-order
// mark before the first record is skipped. A record ends at LF, CRLF or a
// lone CR outside quotes.
class CsvReader {
public:
    explicit CsvReader(std::string_view text);

    // The next complete record into fields (whose strings are reused). False
    // at the end of the text, and when the text ends inside a record: no
    // line end after it, or a quote still open. CutOff() tells which.
    bool Next(std::vector<std::string>& fields);
    bool CutOff() const { return cutOff_; }
    // The line the last record returned starts on, from 1.
    int Line() const { return recordLine_; }
    // Bytes from the start of the text to the end of the last complete record.
    size_t Consumed() const { return consumed_; }

private:
    std::string_view text_;
    size_t at_ = 0;
    size_t consumed_ = 0;
    int line_ = 1;
    int recordLine_ = 0;
    bool cutOff_ = false;
};

}  // namespace zidtools
