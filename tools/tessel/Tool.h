// Tool.h - the tessel tool's command line, subcommand table and shared
// helpers.
//
// Conventions of every subcommand: exit 0 on success; exit 1 when the
// library returns a failure, printing "error 0xXXXXXXXX: message" (and
// ": detail" when there is one) on standard error; exit 2 for a usage error
// or an unreadable or malformed input (XML errors as file:line:column).
// Options come before the operands and "--" ends them, so typed values may
// begin with '-' or '~'. A document operand of "-" reads standard input.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/HResult.h"
#include "platform/IXMLDOMDocumentPtr.h"

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// What one subcommand accepts and does.
struct OptionSpec {
  std::string name;   // "--type"
  std::string alias;  // "-t" or ""
  bool takesValue = false;
  bool repeatable = false;
};

struct ParsedArgs {
  std::multimap<std::string, std::string> options;  // by long name
  std::vector<std::string> operands;

  bool Has(const std::string& name) const { return options.count(name) != 0; }
  // The last value given for `name`, or `fallback`.
  std::string Get(const std::string& name, const std::string& fallback = "") const;
  std::vector<std::string> GetAll(const std::string& name) const;
};

struct Subcommand {
  std::string name;
  std::string synopsis;  // shown by --help
  std::vector<OptionSpec> options;
  size_t minOperands = 0;
  size_t maxOperands = 0;
  std::function<int(const ParsedArgs&)> run;
};

// Registers a subcommand; called from each command's source file through
// a static SubcommandRegistration.
void RegisterSubcommand(Subcommand command);

struct SubcommandRegistration {
  explicit SubcommandRegistration(Subcommand command) { RegisterSubcommand(std::move(command)); }
};

int RunTool(int argc, char** argv);

// --- helpers for subcommands ------------------------------------------------
// Loads `path` ("-" for standard input). On failure prints the reason
// (file:line:column: message) and returns false; the caller exits 2.
bool LoadDocument(const std::string& path, IXMLDOMDocumentPtr& document);

// Loads `path` and composes every query, as a host would. Returns -1 when
// both succeeded, else the exit code to return (the failure printed).
class CTesselParser;
int LoadAndParse(const std::string& path, IXMLDOMDocumentPtr& document, CTesselParser& parser);

// Prints "error 0xXXXXXXXX: message[: detail]" for a library failure and
// returns kExitFailure. Uses the last recorded error when there is one,
// else the message table's text of `code`.
int ReportFailure(HRESULT code);

// Prints "tessel: message" and returns kExitUsage.
int UsageError(const std::string& message);
