// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Game folders whose templates differ from the demo game's in every way the encounter writer and
// the campaign reader must handle, so that a test can prove both on shapes the demo never has.

#include <string>
#include <vector>

namespace orvek::demo {

// The variants' names, each with a sentence on what its templates hold (for --help and README).
struct TemplateVariant {
    const char* name;
    const char* holds;
};
const std::vector<TemplateVariant>& template_variants();

// Whether `name` is one of them.
bool is_template_variant(const std::string& name);

// Template `number` of the variant, made from the demo game's template of that number (lines
// ending in CR LF): the same on every run.
std::string vary_template(const std::string& variant, int number, const std::string& demo);

// The file name of template `number` in the variant ("campaign_all_007.txt", or in capitals).
std::string variant_template_name(const std::string& variant, int number);

}  // namespace orvek::demo
