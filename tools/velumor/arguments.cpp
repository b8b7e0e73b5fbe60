#include "arguments.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "errors.h"

namespace velumor_tool {

std::optional<std::string> ParsedArguments::Value(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

namespace {

const OptionDef* Find(const std::vector<OptionDef>& options, const std::string& word) {
    for (const OptionDef& option : options) {
        if (word == "--" + option.name) return &option;
        if (!option.shortName.empty() && word == "-" + option.shortName) return &option;
    }
    return nullptr;
}

}  // namespace

ParsedArguments ParseArguments(const std::string& command, const std::vector<OptionDef>& options,
                               const std::vector<std::string>& args) {
    std::vector<OptionDef> all = options;
    all.push_back({"help", false, "h"});
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string word = args[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            parsed.positional.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        const std::size_t equals = word.find('=');
        if (word.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            inlineValue = word.substr(equals + 1);
            word.resize(equals);
        }
        const OptionDef* option = Find(all, word);
        if (option == nullptr) throw UsageError(word + ": unknown option for '" + command + "'");
        const std::string name = "--" + option->name;
        if (!option->takesValue) {
            if (inlineValue) throw UsageError(name + ": takes no value");
            parsed.SetFlag(option->name);
        } else if (inlineValue) {
            parsed.SetValue(option->name, *inlineValue);
        } else {
            if (i + 1 >= args.size()) throw UsageError(name + ": needs a value");
            parsed.SetValue(option->name, args[++i]);
        }
    }
    return parsed;
}

int ParseWholeNumber(const std::string& option, const std::string& text, int min, int max) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE) {
        throw UsageError(option + ": '" + text + "' is not a whole number");
    }
    if (value < min || value > max) {
        throw UsageError(option + ": " + text + " is out of range (" + std::to_string(min) + " to " +
                         std::to_string(max) + ")");
    }
    return static_cast<int>(value);
}

double ParseSeconds(const std::string& option, const std::string& text, double maxSeconds) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value)) {
        throw UsageError(option + ": '" + text + "' is not a number of seconds");
    }
    if (value <= 0.0 || value > maxSeconds) {
        throw UsageError(option + ": " + text + " s is out of range (above 0, at most " +
                         std::to_string(static_cast<int>(maxSeconds)) + " s)");
    }
    return value;
}

}  // namespace velumor_tool
