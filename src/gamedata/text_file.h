// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole-file writing that no reader ever sees half done, and the one line-splitting rule of
// every text file the tool reads (CR LF, lone CR or lone LF end a line).

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// Splits text into lines at CR LF, lone CR and lone LF. A break at the very end starts no
// further line, and empty text has no lines. Every other byte, NUL included, stays as it is.
std::vector<std::string> split_lines(std::string_view text);

// Writes the bytes to a file beside `path` (or beside the file a link there leads to, which the
// link keeps), flushes it to disk and renames it into place, so that no reader ever sees half a
// file and a full disk leaves the old file whole; the new file keeps the old one's permissions.
// Each process stages under a name of its own, so two writers never write into one file, and
// what a killed run left in that folder is removed first (remove_stranded_staging). Throws Error
// "Cannot create file "<path>". <reason>" (or the failing rename's error), leaving no staging
// file behind.
void write_file_atomically(const std::string& path, std::string_view bytes);

// Writes an output the user named (the tool's JSON or picture): into a character device or a
// pipe directly (waiting for a pipe's reader until `*cancel` is set: WaitCancelled), to anything
// else with write_file_atomically. Throws Error "Cannot create file "<path>". <reason>", also
// for a folder or anything else that is not a regular file, which is never replaced.
void write_output_file(const std::string& path, std::string_view bytes,
                       const std::atomic<bool>* cancel = nullptr);

// The name a file is staged under before it is renamed to `path`: the same folder, the file's
// name behind ".orvek-new-" and this process's number.
inline constexpr std::string_view kStagingPrefix = ".orvek-new-";
std::string staging_path(const std::string& path);

// Deletes the staging files in the folder that processes no longer running left there (a run
// killed while it wrote). Never follows a link and never fails: what cannot be listed or
// deleted stays for the next run.
void remove_stranded_staging(const std::string& folder);

}  // namespace orvek
