// Texts that came from a file, the wire or the keyboard, made safe to write:
// every file the tools write is valid UTF-8 without NUL bytes, and a message
// that quotes a long token still ends with its reason.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zidtools {

// Where the first byte is that is a NUL or not part of valid UTF-8 (a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate,
// above U+10FFFF); nothing when the whole text is valid.
std::optional<size_t> BadUtf8At(std::string_view text);

// The text with each such byte written as \xNN; valid UTF-8 is kept as it is.
std::string WithBadBytesEscaped(std::string_view text);

// A token for a message: NULs, other control characters and invalid bytes
// as \xNN, and cut after about `most` bytes with the cut said ("… (cut: 5000
// bytes in all)"), so that what the message says after it is never lost.
std::string ShownToken(std::string_view text, size_t most = 80);

}  // namespace zidtools
