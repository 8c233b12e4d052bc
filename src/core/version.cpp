// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/version.h"

// Written at every build from the project's version and the repository's commit.
#include "version_info.h"

namespace orvek {

std::string program_version()
{
    return ORVEK_VERSION;
}

std::string program_commit()
{
    return ORVEK_COMMIT;
}

}  // namespace orvek
