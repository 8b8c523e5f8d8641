// A tool's command line from one table: each option's name, its value, its
// help and what it sets. The usage text, the parser and the check that a
// value is there all come from the table, so an option cannot be listed in
// one and missing from another.
#pragma once

#include <cstddef>
#include <string>

#include "tools/common/outcome.h"
#include "tools/common/utf8_text.h"

namespace zidtools {

enum class OptionValue { kNone, kRequired, kOptional };

template <typename Options>
struct OptionSpec {
    const char* name;   // "--port"
    const char* value;  // "NAME" for the usage text; nullptr with kNone
    OptionValue takes;
    // Lines of help, separated by '\n'. nullptr: an alias of the entry
    // before, not listed on its own.
    const char* help;
    // Sets the option. A failure says what the value may be ("a number
    // from 1 to 65535"); the parser names the option and the value.
    Status (*apply)(Options& options, const std::string& value);
};

// "  --port NAME         serial port ..." with the help from column 22.
std::string UsageEntry(const char* name, const char* value, OptionValue takes, const char* help);

template <typename Options, size_t N>
std::string OptionUsage(const OptionSpec<Options> (&table)[N]) {
    std::string out;
    for (const OptionSpec<Options>& entry : table)
        if (entry.help) out += UsageEntry(entry.name, entry.value, entry.takes, entry.help);
    return out;
}

// Every argument must be an option of the table. A value is the next
// argument; an optional one only when that does not start with '-'. An
// empty value is refused as a missing one would be: a batch file whose
// variable is unset must not fall back on a default.
template <typename Options, size_t N>
Status ParseCommandLine(const OptionSpec<Options> (&table)[N], int argc, char** argv,
                        Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string given = argv[i];
        const OptionSpec<Options>* option = nullptr;
        for (const OptionSpec<Options>& s : table)
            if (given == s.name) option = &s;
        if (option == nullptr) return Failure{"unknown option " + ShownToken(given) + " (see --help)"};
        std::string value;
        const bool next = i + 1 < argc;
        if (option->takes == OptionValue::kRequired) {
            if (!next) return Failure{given + " needs a value (see --help)"};
            value = argv[++i];
            if (value.empty())
                return Failure{given + " needs a value, and was given an empty one (see --help)"};
        } else if (option->takes == OptionValue::kOptional && next && argv[i + 1][0] != '-') {
            value = argv[++i];
            if (value.empty())
                return Failure{given + " was given an empty value (leave it out, or see --help)"};
        }
        if (Status applied = option->apply(options, value); !applied) {
            std::string why = "bad value for " + given + ": " + ShownToken(value);
            if (!applied.Error().empty()) why += " (" + applied.Error() + ")";
            return Failure{why};
        }
    }
    return Done{};
}

}  // namespace zidtools
