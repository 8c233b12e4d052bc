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
// link keeps), flushes it to disk and renames it into place, so that
// no reader ever sees half a file and a full disk leaves the old file whole; the new file keeps
// the old one's permissions, and a staging file left by a killed run is reused and renamed away.
// Throws Error "Cannot create file "<path>". <reason>" (or the failing rename's error), leaving no
// staging file behind.
void write_file_atomically(const std::string& path, std::string_view bytes);

// Writes an output the user named (the tool's JSON or picture): into a character device or a
// pipe directly (waiting for a pipe's reader until `*cancel` is set: WaitCancelled), to anything
// else with write_file_atomically. Throws Error "Cannot create file "<path>". <reason>", also
// for a folder or anything else that is not a regular file, which is never replaced.
void write_output_file(const std::string& path, std::string_view bytes,
                       const std::atomic<bool>* cancel = nullptr);

// The name a file is staged under before it is renamed to `path`: the same folder, the file's
// name behind ".orvek-new-".
std::string staging_path(const std::string& path);

}  // namespace orvek
