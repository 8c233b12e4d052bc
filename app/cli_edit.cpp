// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_edit.h"

#include "core/galaxy_figures.h"

#include <array>
#include <string_view>

namespace orvek {

namespace {

struct Form {
    const char* option;
    const char* shape;       // what the value looks like, for the usage message
    const char* separators;  // between its numbers; --rename's name follows its one number
};

constexpr std::array<Form, 8> kForms{{
    {"move", "P:X,Y", ":,"},
    {"join", "P,Q", ","},
    {"cut", "P,Q", ","},
    {"rename", "P:NAME", ""},
    {"home", "P", ""},
    {"add", "X,Y", ","},
    {"delete", "P", ""},
    {"feature", "P:KEYWORD=on|off", ""},
}};

// A whole number of at most six plain digits, or -1.
int number_of(const std::string& text)
{
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoi(text);
}

// --feature's "KEYWORD=on|off" after the planet's number: the keyword into the step's name, and
// 1 for on, 0 for off after the number; false when it has not that form.
bool parse_feature(EditStep& step, const std::string& setting)
{
    const std::size_t equals = setting.rfind('=');
    if (equals == std::string::npos)
        return false;
    const std::string state = setting.substr(equals + 1);
    if (state != "on" && state != "off")
        return false;
    step.name = setting.substr(0, equals);
    step.numbers.push_back(state == "on" ? 1 : 0);
    return true;
}

EditStep parse_step(const Form& form, const std::string& value)
{
    EditStep step{form.option, value, {}, {}};
    std::string rest = value;
    if (step.option == "rename" || step.option == "feature") {
        const std::size_t colon = value.find(':');
        step.name = colon == std::string::npos ? std::string() : value.substr(colon + 1);
        rest = value.substr(0, colon);
    }
    const std::string_view separators = form.separators;
    std::size_t start = 0;
    for (std::size_t k = 0; k <= separators.size(); ++k) {
        const std::size_t end =
            k < separators.size() ? rest.find(separators[k], start) : rest.size();
        const int n = end == std::string::npos ? -1 : number_of(rest.substr(start, end - start));
        if (n < 0)
            throw EditRefused("--" + step.option + " wants " + form.shape + ", not \"" + value +
                              "\"");
        step.numbers.push_back(n);
        start = end + 1;
    }
    if (step.option == "feature" && !parse_feature(step, std::string(step.name)))
        throw EditRefused("--feature wants P:KEYWORD=on|off, not \"" + value + "\"");
    return step;
}

EditPointer make_edit(const std::vector<Planet>& planets, const EditStep& s,
                      const NewPlanetSources& sources)
{
    const std::vector<int>& n = s.numbers;
    if (s.option == "move")
        return move_planet(planets, n[0], n[1], n[2]);
    if (s.option == "join")
        return join_planets(planets, n[0], n[1]);
    if (s.option == "cut")
        return cut_link(planets, n[0], n[1]);
    if (s.option == "rename")
        return rename_planet(planets, n[0], s.name);
    if (s.option == "home")
        return make_home(planets, n[0]);
    if (s.option == "add")
        return add_planet(planets, n[0], n[1], sources);
    if (s.option == "feature")
        return set_feature(planets, {n[0]}, feature_of(s.name), n[1] == 1);
    // A galaxy with nothing to tidy is left as it is: a script may tidy every galaxy it makes.
    if (s.option == "tidy")
        return gates_in_the_way(planets).through.empty() ? nullptr : tidy_gates(planets);
    return delete_planet(planets, n[0]);
}

}  // namespace

std::vector<EditStep> parse_edit_steps(const std::vector<std::string>& arguments)
{
    std::vector<EditStep> steps;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--tidy")
            steps.push_back({"tidy", {}, {}, {}});
        for (const Form& form : kForms) {
            const std::string option = std::string("--") + form.option;
            if (argument == option && i + 1 < arguments.size())
                steps.push_back(parse_step(form, arguments[++i]));
            else if (argument.rfind(option + "=", 0) == 0)
                steps.push_back(parse_step(form, argument.substr(option.size() + 1)));
        }
    }
    return steps;
}

void apply_edit_steps(std::vector<Planet>& planets, const std::vector<EditStep>& steps,
                      const NewPlanetSources& sources)
{
    for (const EditStep& step : steps) {
        try {
            if (const EditPointer edit = make_edit(planets, step, sources))
                edit->apply(planets);
        } catch (const EditRefused& refused) {
            throw EditRefused("--" + step.option + (step.value.empty() ? "" : " " + step.value) +
                              ": " + refused.what());
        }
    }
}

}  // namespace orvek
