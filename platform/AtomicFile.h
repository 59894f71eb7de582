// Replacing a file without ever leaving half of it behind.
//
// Users keep hives, profiles and documents across crashes and power cuts: the new content is
// written to a temporary file beside the target, flushed to the disk, and renamed over the
// target, so a reader sees either the old file or the new one, never a mixture.
#pragma once

#include <cstddef>
#include <string>

// Writes `content` to `path` atomically, creating missing parent folders. On failure the old
// file is untouched, the temporary file removed, and `error` (when given) says why.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error = nullptr);

// Reads at most `limit` bytes of a file; false when it cannot be opened or is larger than the
// limit (a hive or a data file of that size is not ours, and reading it whole would only
// waste memory).
bool ReadWholeFile(const std::string& path, std::string& content, std::size_t limit = 16u << 20);

// Creates a folder and its missing parents (mode 0755); true when it exists afterwards.
bool MakeFolders(const std::string& path);
