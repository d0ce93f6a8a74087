// Tool.h - the tessel tool's command line, subcommand table and shared
// helpers.
//
// Conventions of every subcommand: exit 0 on success; exit 1 when the
// library returns a failure, printing "error 0xXXXXXXXX: message" (and
// ": detail" when there is one) on standard error; exit 2 for a usage error
// or an unreadable or malformed input (XML errors as file:line:column).
// Options may come before or after the operands; "--" ends the options
// wherever it stands, so typed values may begin with '-' or '~'. A document
// operand of "-" reads standard input.
//
// Adding a subcommand: write NameCommand.cpp with a function
// `int Run(const ParsedArgs&)` and one static registration, e.g.
//
//   const SubcommandRegistration kRegistration({
//       .name = "echo",
//       .summary = "print TEXT",
//       .operands = {{"TEXT", "the text to print"}},
//       .options = {{.name = "--upper", .help = "in capitals"}},
//       .examples = {"tessel echo --upper hello"},
//       .run = RunEcho,
//   });
//
// The command line (CLI11) is built from this table: the usage line, the
// subcommand's --help, nearest-name suggestions and the operand count all
// come from it. The file is picked up by the build without further edits;
// add the subcommand to docs/tessel.1 as well.
#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/HResult.h"
#include "platform/IXMLDOMDocumentPtr.h"

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// One option of a subcommand.
struct OptionSpec {
  std::string name{};   // "--type"
  std::string alias{};  // "-t" or ""
  bool takesValue = false;
  bool repeatable = false;  // may be given more than once; every value is kept in order
  std::string valueName{};  // shown in the help: "--type T"
  std::string help{};       // one line for the subcommand's --help
};

// One operand, in the order they are typed. Optional operands come last.
struct OperandSpec {
  std::string name{};  // "DOC.xml"
  std::string help{};
  bool optional = false;
};

// What the command line hands a subcommand.
struct ParsedArgs {
  std::multimap<std::string, std::string> options;  // by long name; flags with an empty value
  std::vector<std::string> operands;

  bool Has(const std::string& name) const { return options.count(name) != 0; }
  // The last value given for `name`, or `fallback`.
  std::string Get(const std::string& name, const std::string& fallback = "") const;
  // Every value given for `name`, in the order typed.
  std::vector<std::string> GetAll(const std::string& name) const;
};

// What one subcommand accepts and does.
struct Subcommand {
  std::string name{};
  std::string summary{};  // one line, shown in the general help and atop the subcommand's help
  std::vector<OperandSpec> operands{};
  std::vector<OptionSpec> options{};
  std::string details{};                // optional paragraphs for the subcommand's help
  std::vector<std::string> examples{};  // command lines shown under "Examples:"
  std::function<int(const ParsedArgs&)> run{};
};

// Registers a subcommand; called from each command's source file through
// a static SubcommandRegistration.
void RegisterSubcommand(Subcommand command);

struct SubcommandRegistration {
  explicit SubcommandRegistration(Subcommand command) { RegisterSubcommand(std::move(command)); }
};

// Parses the command line, runs the subcommand and returns the exit code.
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

// The option shared by the subcommands that print results for a program
// to read: "--json".
OptionSpec JsonOption(const std::string& help);
