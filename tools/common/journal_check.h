// Every row of a session journal is checked before the walk-test report
// uses it, so that a damaged journal (a disk error, an edit by hand, a file
// that is not ours) cannot give a report an inspector would sign: a device
// that never existed, a restore dated before its fire. A row that fails is
// left out and named with its line and the reason.
//
// A row must have:
// - a time written as the journal writes it, which does not run back more
//   than kJournalTimeToleranceMs from the row before it of the same channel
//   since that channel's start row;
// - a channel from 0 to 255 that has a start row before it;
// - a kind the journal knows;
// - an address of the form its kind takes (six digits for a gate, !T, !F,
//   !R or !S for a status word, nothing for a line, a port or a command);
// - hex words (0x0000) as a gate's values, numbers as a status word's;
// - every field valid UTF-8, without NUL bytes.
// And a gate's restore (its value back to 0) must not be dated before the
// fire or fault that set it: such a row is no restore.
#pragma once

#include <vector>

#include "tools/common/journal_row.h"

namespace zidtools {

// Rows of one channel are written by two threads (the receiver's and the
// host's), each taking its time just before the row is written, so close
// rows may come a little out of order; a clock set back by more than this
// within a run is taken for damage.
inline constexpr long long kJournalTimeToleranceMs = 5000;

// Removes each row that fails from rows, keeping the order of the others,
// and returns the lines and reasons of those removed, in journal order.
std::vector<JournalProblem> CheckJournalRows(std::vector<JournalRow>& rows);

}  // namespace zidtools
