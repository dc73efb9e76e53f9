#pragma once
// Replacing files so that a crash, a full disk or a refused write never
// leaves half a file: the new content goes to a file beside the target,
// reaches the disk, and only then takes the target's place in one rename.
#include <string>

namespace vesko {

// The directory part of a path, without the trailing separator.
std::wstring DirectoryOf(const std::wstring& path);

// Forces a file's data to the disk. False when that fails.
bool FlushFile(const std::wstring& path);

// Moves `source` over `target` in one step, retrying briefly while another
// program (a scanner, an indexer) holds the target. False with the last
// error set when it cannot.
bool MoveReplacing(const std::wstring& source, const std::wstring& target);

// Writes `bytes` as the whole new content of `path`, atomically. Raises
// AppError with the system's reason when it cannot; the old file is then
// untouched and no temporary file is left.
void ReplaceFileContents(const std::wstring& path, const std::string& bytes);

}  // namespace vesko
