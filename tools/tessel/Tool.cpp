// Tool.cpp - command-line parsing, dispatch and the shared helpers.
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

namespace {

std::map<std::string, Subcommand>& Commands() {
  static std::map<std::string, Subcommand> commands;
  return commands;
}

// Options that every subcommand accepts.
const std::vector<OptionSpec>& GlobalOptions() {
  static const std::vector<OptionSpec> options = {
      {"--grs", "", false, false},
      {"--repository", "", true, false},
  };
  return options;
}

void PrintHelp(std::ostream& out) {
  out << "usage: tessel SUBCOMMAND [OPTIONS] [--] OPERANDS\n\n"
         "Turns XML query documents into SQL text and dataset commands.\n\n"
         "Subcommands:\n";
  for (const auto& [name, command] : Commands()) out << "  " << command.synopsis << "\n";
  out << "\nOptions of every subcommand:\n"
         "  --grs              recompose queries that already carry commands\n"
         "  --repository DIR   open DIR as the object repository\n"
         "  --help             show this text\n\n"
         "Exit status: 0 success, 1 the library reported a failure, 2 usage error or bad input.\n";
}

const OptionSpec* FindOption(const Subcommand& command, const std::string& token) {
  for (const auto* list : {&command.options, &GlobalOptions()}) {
    for (const auto& option : *list) {
      if (token == option.name || (!option.alias.empty() && token == option.alias)) return &option;
    }
  }
  return nullptr;
}

// Parses options (before the operands) and operands. Returns false with
// `error` set on a usage error.
bool ParseArgs(const Subcommand& command, int argc, char** argv, int first, ParsedArgs& out, std::string& error) {
  int i = first;
  for (; i < argc; ++i) {
    std::string token = argv[i];
    if (token == "--") {
      ++i;
      break;
    }
    if (token.size() < 2 || token[0] != '-') break;  // "-" alone is an operand
    std::string value;
    bool inlineValue = false;
    if (size_t eq = token.find('='); token.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = token.substr(eq + 1);
      token = token.substr(0, eq);
      inlineValue = true;
    }
    const OptionSpec* option = FindOption(command, token);
    if (option == nullptr) {
      error = "unknown option " + token + " for '" + command.name + "'";
      return false;
    }
    if (option->takesValue && !inlineValue) {
      if (i + 1 >= argc) {
        error = "option " + token + " needs a value";
        return false;
      }
      value = argv[++i];
    } else if (!option->takesValue && inlineValue) {
      error = "option " + token + " takes no value";
      return false;
    }
    if (!option->repeatable && out.options.count(option->name) != 0) {
      error = "option " + option->name + " given twice";
      return false;
    }
    out.options.emplace(option->name, value);
  }
  for (; i < argc; ++i) out.operands.emplace_back(argv[i]);
  if (out.operands.size() < command.minOperands || out.operands.size() > command.maxOperands) {
    error = "wrong number of operands; usage: tessel " + command.synopsis;
    return false;
  }
  return true;
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
  if (argc < 2) {
    PrintHelp(std::cerr);
    return kExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintHelp(std::cout);
    return kExitOk;
  }
  auto it = Commands().find(name);
  if (it == Commands().end()) return UsageError("unknown subcommand '" + name + "' (see tessel --help)");
  const Subcommand& command = it->second;
  for (int i = 2; i < argc && std::string(argv[i]) != "--"; ++i) {
    if (std::string(argv[i]) == "--help") {
      std::cout << "usage: tessel " << command.synopsis << "\n";
      return kExitOk;
    }
  }
  ParsedArgs args;
  std::string error;
  if (!ParseArgs(command, argc, argv, 2, args, error)) return UsageError(error);
  if (int rc = ApplyGlobalOptions(args); rc >= 0) return rc;
  try {
    return command.run(args);
  } catch (const _com_error& e) {
    std::fprintf(stderr, "error 0x%08X: %s\n", static_cast<unsigned>(e.Error()), e.ErrorMessage());
    return kExitFailure;
  }
}

int LoadAndParse(const std::string& path, IXMLDOMDocumentPtr& document, CTesselParser& parser) {
  if (!LoadDocument(path, document)) return kExitUsage;
  ClearErrorInfo();
  parser.Attach(document);
  const long rc = parser.Parse();
  return rc < 0 ? ReportFailure(static_cast<HRESULT>(rc)) : -1;
}
