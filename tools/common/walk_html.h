// The walk-test record as an inspector takes it: DIR/walk-test.html, one
// self-contained page (no external file, no script) that prints on A4 from
// any browser. The table's header repeats on every page, no row is split
// across two, and every page shows its number. In English or in Hebrew
// (right to left); labels and the panel's text keep their own direction in
// either. While the run lasts the page reloads itself, so that a browser
// left open on it follows the walk; the final page does not.
#pragma once

#include <string>

#include "tools/common/record_words.h"
#include "tools/common/walk_record.h"

namespace zidtools {

inline constexpr char kWalkRecordHtmlName[] = "walk-test.html";

struct HtmlOptions {
    Language language = Language::kEnglish;
    bool live = false;  // the run goes on: a notice, and the page reloads itself
};

std::string WalkRecordHtml(const WalkRecord& record, const HtmlOptions& options);

// The stylesheet, print layout included; title names the record on every
// printed page.
std::string WalkRecordStyle(Language language, const std::string& title);

}  // namespace zidtools
