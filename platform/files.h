// SPDX-License-Identifier: GPL-3.0-or-later
// Process and file basics: the current directory, names found regardless of letter
// case, whole-file reads, atomic replacement, the small text-file writes of the trace
// log, and the local date and time as the user writes them.
#pragma once

#include <string>
#include <string_view>

namespace skyvane {

// The separator the program writes after a directory.
inline constexpr char PathDelimiter = '/';

// The current directory as an absolute path, without a trailing separator; empty when
// it cannot be read.
std::string CurrentDirectory();

// `directory` with PathDelimiter appended unless it already ends with one.
std::string WithTrailingDelimiter(std::string directory);

// Finds an existing file or directory for `path` regardless of letter case: a name
// that exists exactly as given is returned unchanged; otherwise each component is
// looked up in turn, an exact match winning and otherwise the first name in byte order
// that matches ignoring ASCII case. From the first component that matches nothing on,
// the rest of the path is kept as given (so a new file lands in the resolved folder).
std::string ResolvePathCase(std::string_view path);

// True when something exists at `path`, found through ResolvePathCase.
bool FileExists(std::string_view path);

// True when `path`, found through ResolvePathCase, is a directory (or a link to one).
bool IsDirectory(std::string_view path);

// Outcome of reading a whole file.
enum class TFileRead {
    Read,     // the bytes are in the result
    Missing,  // no regular file there (nothing, a directory, a device)
    Failed    // a regular file that could not be read
};

// Reads the regular file at `path` (through ResolvePathCase) into `content`, which is
// left empty unless the result is Read. Never blocks on devices or pipes.
TFileRead ReadWholeFile(std::string_view path, std::string& content);

// Replaces the file at `path` (through ResolvePathCase; symbolic links are followed to
// their target, which is created when it does not exist yet) with `content` so that the
// file is always either wholly old or wholly new: a temporary file in the same folder
// is written, flushed to disk and renamed over the target. Where a rename cannot be
// used (a writable file in a folder that is not, a file that is a mount point, a file
// with further hard links, which must keep sharing it) the existing file is written in
// place instead: the room it needs is taken first, so a full disk changes nothing.
// Temporary files that earlier writes of the same target left behind when their
// process was killed are removed. The target keeps its permissions (and owner, where
// allowed); a new file gets the usual permissions under the umask. A file whose
// permissions grant no write access to anyone counts as read-only and is refused, also
// for the superuser. Returns false, leaving the target untouched, when the write
// cannot be made.
bool ReplaceFileAtomically(std::string_view path, std::string_view content);

// Creates the file at `path` anew and empty (truncating an existing one) and closes it.
// Returns false when that cannot be done; a read-only file is refused and left as it is,
// and so is a symbolic link (never followed: nothing it points to is truncated).
bool CreateEmptyFile(std::string_view path);

// Appends `bytes` to the file at `path` in one write, creating the file when nothing
// stands there, and closes it. Returns false when the bytes could not be written; a
// symbolic link is refused, never followed.
bool AppendToFile(std::string_view path, std::string_view bytes);

// The local date and time from one reading of the clock, as texts.
struct TLocalDateTime {
    std::string date;  // the user's short date format (strftime %x under LC_TIME)
    std::string time;  // the user's long time format (strftime %X under LC_TIME)
};

// Reads the clock once and formats it in the locale the environment names for LC_TIME
// (the "C" locale when that one is not available).
TLocalDateTime LocalDateTimeNow();

}  // namespace skyvane
