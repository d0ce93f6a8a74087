// Tool.cpp - the subcommand table, dispatch, the general help and the
// shared helpers. Reading a subcommand's arguments is CommandLine's work.
#include "tools/tessel/Tool.h"

#include <cstdio>
#include <iostream>
#include <iterator>
#include <sstream>

#include "contracts/basis30/Messages.h"
#include "contracts/trellis/CFrameCI.h"
#include "contracts/trellis/CRepository.h"
#include "document/CTesselParser.h"
#include "platform/ComError.h"
#include "tools/tessel/CommandLine.h"
#include "tools/tessel/NameSuggestion.h"

namespace {

std::map<std::string, Subcommand>& Commands() {
  static std::map<std::string, Subcommand> commands;
  return commands;
}

// Options that every subcommand accepts.
const std::vector<OptionSpec>& GlobalOptions() {
  static const std::vector<OptionSpec> options = {
      {.name = "--grs", .help = "recompose queries that already carry commands"},
      {.name = "--repository", .takesValue = true, .valueName = "DIR",
       .help = "open the XML files of DIR as the object repository ($/Folder/Name)"},
  };
  return options;
}

std::vector<std::string> CommandNames() {
  std::vector<std::string> names;
  for (const auto& entry : Commands()) names.push_back(entry.first);
  return names;
}

// The operands of a subcommand as its general help line shows them.
std::string OperandList(const Subcommand& command) {
  std::string list;
  for (const auto& operand : command.operands) list += " " + (operand.optional ? "[" + operand.name + "]" : operand.name);
  return list;
}

void PrintHelp(std::ostream& out) {
  out << "usage: tessel SUBCOMMAND [OPTIONS] [--] OPERANDS\n"
         "       tessel SUBCOMMAND --help | tessel --help | tessel --version\n\n"
         "Turns XML query documents into SQL text and dataset commands.\n\n"
         "Subcommands:\n";
  for (const auto& [name, command] : Commands()) {
    const std::string left = name + OperandList(command);
    out << "  " << left << std::string(left.size() < 34 ? 34 - left.size() : 1, ' ') << command.summary << "\n";
  }
  out << "\nOptions of every subcommand (before or after the operands; -- ends them):\n"
         "  --grs              recompose queries that already carry commands\n"
         "  --repository DIR   open DIR as the object repository\n"
         "  -h, --help         show the subcommand's help\n\n"
         "A document operand of - reads standard input.\n"
         "Exit status: 0 success, 1 the library reported a failure, 2 usage error or bad input.\n";
}

std::vector<OptionSpec> OptionsOf(const Subcommand& command) {
  std::vector<OptionSpec> options = command.options;
  options.insert(options.end(), GlobalOptions().begin(), GlobalOptions().end());
  return options;
}

// Applies the options every subcommand accepts. Returns an exit code or -1.
int ApplyGlobalOptions(const ParsedArgs& args) {
  if (args.Has("--grs")) CFrameCI::SetExistGRS(true);
  if (args.Has("--repository")) {
    const std::string dir = args.Get("--repository");
    if (FAILED(CRepository::Open(dir.c_str()))) return UsageError("cannot open the repository folder " + dir);
  }
  return -1;
}

// The subcommand named `name`, or null after reporting the nearest name.
const Subcommand* FindCommand(const std::string& name) {
  auto it = Commands().find(name);
  if (it != Commands().end()) return &it->second;
  UsageError("unknown subcommand '" + name + "'" + NameSuggestion::Hint(name, CommandNames()) +
             " (see tessel --help)");
  return nullptr;
}

// Words before the subcommand's name: --help, --version, "help [NAME]".
int RunTopLevel(const std::vector<std::string>& args) {
  const std::string& first = args[0];
  if (first == "--help" || first == "-h") {
    PrintHelp(std::cout);
    return kExitOk;
  }
  if (first == "--version") {
    std::cout << "tessel " << TESSEL_VERSION << "\n";
    return kExitOk;
  }
  if (first == "help" && args.size() > 1) {
    const Subcommand* command = FindCommand(args[1]);
    if (command == nullptr) return kExitUsage;
    CommandLine::PrintHelp(*command, OptionsOf(*command), std::cout);
    return kExitOk;
  }
  if (first == "help") {
    PrintHelp(std::cout);
    return kExitOk;
  }
  return UsageError("unknown option " + first + NameSuggestion::Hint(first, {"--help", "--version"}) +
                    "; the subcommand comes first (see tessel --help)");
}

}  // namespace

std::string ParsedArgs::Get(const std::string& name, const std::string& fallback) const {
  auto range = options.equal_range(name);
  if (range.first == range.second) return fallback;
  return std::prev(range.second)->second;
}

std::vector<std::string> ParsedArgs::GetAll(const std::string& name) const {
  std::vector<std::string> values;
  auto range = options.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) values.push_back(it->second);
  return values;
}

void RegisterSubcommand(Subcommand command) {
  std::string name = command.name;
  Commands()[name] = std::move(command);
}

int UsageError(const std::string& message) {
  std::cerr << "tessel: " << message << "\n";
  return kExitUsage;
}

int ReportFailure(HRESULT code) {
  const ErrorInfo info = GetLastErrorInfo();
  CString message = info.set && !info.message.IsEmpty() ? info.message : GetMsgText(code);
  std::fprintf(stderr, "error 0x%08X: %s", static_cast<unsigned>(code), message.GetString());
  if (info.set && !info.detail.IsEmpty()) std::fprintf(stderr, ": %s", info.detail.GetString());
  std::fprintf(stderr, "\n");
  return kExitFailure;
}

bool LoadDocument(const std::string& path, IXMLDOMDocumentPtr& document) {
  bool loaded = false;
  std::string shown = path;
  if (path == "-") {
    std::ostringstream text;
    text << std::cin.rdbuf();
    loaded = document.loadXML(text.str().c_str());
    shown = "<stdin>";
  } else {
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe == nullptr) {
      std::cerr << path << ": cannot read the file\n";
      return false;
    }
    std::fclose(probe);
    loaded = document.load(path.c_str());
  }
  if (loaded) return true;
  const XmlParseError& e = document.parseError();
  std::cerr << shown << ":" << e.line << ":" << e.linepos << ": " << e.reason.GetString() << "\n";
  return false;
}

int RunTool(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // A "--" before the subcommand ends the tool's own options: the next word
  // is the subcommand, whatever it looks like.
  const bool ended = !args.empty() && args[0] == "--";
  if (ended) args.erase(args.begin());
  if (args.empty()) {
    PrintHelp(std::cerr);
    return kExitUsage;
  }
  if (!ended && (args[0] == "help" || args[0].rfind('-', 0) == 0)) return RunTopLevel(args);
  const Subcommand* command = FindCommand(args[0]);
  if (command == nullptr) return kExitUsage;
  const std::vector<std::string> words(args.begin() + 1, args.end());
  const std::vector<OptionSpec> options = OptionsOf(*command);
  if (CommandLine::AsksForHelp(words)) {
    CommandLine::PrintHelp(*command, options, std::cout);
    return kExitOk;
  }
  ParsedArgs parsed;
  if (std::string error; !CommandLine::Parse(*command, options, words, parsed, error)) {
    return UsageError(error + " (see tessel " + command->name + " --help)");
  }
  if (int rc = ApplyGlobalOptions(parsed); rc >= 0) return rc;
  try {
    return command->run(parsed);
  } catch (const _com_error& e) {
    std::fprintf(stderr, "error 0x%08X: %s\n", static_cast<unsigned>(e.Error()), e.ErrorMessage());
    return kExitFailure;
  }
}

OptionSpec JsonOption(const std::string& help) { return {.name = "--json", .help = help}; }

int LoadAndParse(const std::string& path, IXMLDOMDocumentPtr& document, CTesselParser& parser) {
  if (!LoadDocument(path, document)) return kExitUsage;
  ClearErrorInfo();
  parser.Attach(document);
  const long rc = parser.Parse();
  return rc < 0 ? ReportFailure(static_cast<HRESULT>(rc)) : -1;
}
