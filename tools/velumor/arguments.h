#ifndef VELUMOR_TOOL_ARGUMENTS_H
#define VELUMOR_TOOL_ARGUMENTS_H

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace velumor_tool {

// One option a command accepts: "--name VALUE" (or "--name=VALUE") when it
// takes a value, a plain "--name" flag otherwise; shortName may be empty.
struct OptionDef {
    std::string name;
    bool takesValue;
    std::string shortName;
};

class ParsedArguments {
public:
    std::vector<std::string> positional;

    bool Flag(const std::string& name) const { return flags_.count(name) != 0; }
    std::optional<std::string> Value(const std::string& name) const;

    void SetFlag(const std::string& name) { flags_.insert(name); }
    void SetValue(const std::string& name, const std::string& value) { values_[name] = value; }

private:
    std::set<std::string> flags_;
    std::map<std::string, std::string> values_;
};

// Parses args against the command's options; "--" ends the options. Every
// command also accepts --help (-h). Throws UsageError naming the bad option.
ParsedArguments ParseArguments(const std::string& command, const std::vector<OptionDef>& options,
                               const std::vector<std::string>& args);

// Whole number in [min, max], or UsageError naming the option.
int ParseWholeNumber(const std::string& option, const std::string& text, int min, int max);

// Positive number of seconds up to maxSeconds, or UsageError naming the option.
double ParseSeconds(const std::string& option, const std::string& text, double maxSeconds);

}  // namespace velumor_tool

#endif
