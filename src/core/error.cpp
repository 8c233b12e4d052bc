// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/error.h"

namespace orvek {

Error list_index_error(long long index)
{
    return Error("List index out of bounds (" + std::to_string(index) + ")");
}

Error conversion_error(const std::string& text)
{
    return Error("'" + text + "' is not a valid integer value");
}

FileError file_error(const std::string& what, const std::string& path, const std::string& reason)
{
    return FileError(what + " \"" + path + "\". " + reason, reason);
}

std::string with_full_stop(const std::string& message)
{
    if (!message.empty() && message.back() == '.')
        return message;
    return message + ".";
}

std::string quoted(std::string_view text, std::size_t most)
{
    return "\"" + std::string(text.substr(0, most)) + (text.size() > most ? "…" : "") + "\"";
}

}  // namespace orvek
