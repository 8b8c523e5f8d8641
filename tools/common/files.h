// Files and paths as the tools use them: whole files read and written as
// bytes, reports replaced in one step, and the paths of a run's records.
#pragma once

#include <string>

#include "tools/common/outcome.h"

namespace zidtools {

// The bytes of a file, as they are. The failure names the file.
Outcome<std::string> ReadFileBytes(const std::string& path);

// Writes the bytes to path, replacing what was there.
Status WriteFileBytes(const std::string& path, const std::string& bytes);

// Writes the bytes beside path and then renames them over it, so that a
// reader (a browser reloading a report, a program killed half-way) only ever
// sees the old file or the new one whole.
Status WriteFileAtomically(const std::string& path, const std::string& bytes);

bool FileExists(const std::string& path);

// name in dir ("dir/name"; just name when dir is empty).
std::string PathIn(const std::string& dir, const std::string& name);

// The folder part of a path, with its separator ("" for a bare name).
std::string FolderOf(const std::string& path);

// A path that starts at a root or a drive ("/x", "\x", "C:x").
bool IsAbsolutePath(const std::string& path);

// FILE with "-N" before its extension: the file of channel N when several
// channels each write one ("capture.txt" -> "capture-2.txt").
std::string PerChannelPath(const std::string& path, int channel);

}  // namespace zidtools
