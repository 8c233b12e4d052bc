#pragma once
// The one exception type of the libraries, and the wordings of the errors every layer shares.
// A command that fails throws an Error; the window and the command-line tool show its message.

#include <stdexcept>
#include <string>

namespace orvek {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "List index out of bounds (%d)": a draw from an empty list.
Error list_index_error(long long index);

// "'%s' is not a valid integer value": a number field that does not hold a whole number.
Error conversion_error(const std::string& text);

// The message as the error report shows it: a full stop appended when it has none.
std::string with_full_stop(const std::string& message);

}  // namespace orvek
