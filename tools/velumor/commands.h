#ifndef VELUMOR_TOOL_COMMANDS_H
#define VELUMOR_TOOL_COMMANDS_H

#include <string>
#include <vector>

namespace velumor_tool {

// Each command takes the arguments after its name and returns the exit
// status; it throws UsageError or IoError for the one-line error report.
int RunConvert(const std::vector<std::string>& args);
int RunDesign(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);

// Print "velumor: <message>" on stderr: an error, or a note on what was done.
void ReportError(const std::string& message);
void ReportNote(const std::string& message);

}  // namespace velumor_tool

#endif
