// Text into an HTML document: every text that comes from the wire, a tag
// file, a site file or the journal goes through here. It is escaped, made
// valid UTF-8, and isolated in its own direction, so that a Hebrew label
// reads right in an English page and an English one in a Hebrew page.
#pragma once

#include <string>
#include <string_view>

namespace zidtools {

// & < > " ' as references; line ends as blanks; other control characters
// and bytes that are no UTF-8 as U+FFFD.
void AppendHtml(std::string& out, std::string_view text);
std::string Html(std::string_view text);

// <bdi>text</bdi>: the text keeps its own direction (labels, remarks,
// panel text, the record's facts).
void AppendIsolated(std::string& out, std::string_view text);

// Left to right whatever the page's direction: addresses, times, hashes,
// port names ("2026-03-01 10:00" would otherwise read backwards in Hebrew).
void AppendLtr(std::string& out, std::string_view text);

// A CSS string literal, quotes included, safe inside a <style> element:
// everything but letters, digits and blanks as a hex escape.
std::string CssString(std::string_view text);

}  // namespace zidtools
