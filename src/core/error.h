// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one exception type of the libraries, and the wordings of the errors every layer shares.
// A command that fails throws an Error; the window and the command-line tool show its message.

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace orvek {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "List index out of bounds (%d)": a draw from an empty list.
Error list_index_error(long long index);

// "'%s' is not a valid integer value": a number field that does not hold a whole number.
Error conversion_error(const std::string& text);

// A failed file call, which keeps the system's reason apart for a caller that words it anew.
class FileError : public Error {
public:
    FileError(const std::string& message, std::string reason)
        : Error(message), reason_(std::move(reason))
    {}
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

// A failed file call: `what` ("Cannot open file", "Cannot create file", ...), the file in quotes
// and a full stop, then the system's reason.
FileError file_error(const std::string& what, const std::string& path, const std::string& reason);

// The message as the error report shows it: a full stop appended when it has none.
std::string with_full_stop(const std::string& message);

// `text` in double quotes, for a sentence about a name, a path or a line; cut after `most` bytes
// with "…" where it is longer (a line of a damaged file may be any length).
std::string quoted(std::string_view text, std::size_t most = std::string_view::npos);

}  // namespace orvek
