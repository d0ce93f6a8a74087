// CommandLine.cpp - a CLI11 application per subcommand, built from its
// table entry. Every option keeps all its values (TakeAll), so that the
// checks and messages for repeated options are ours; unknown options and
// extra operands are collected rather than thrown, so that the message can
// name the nearest known option.
#include "tools/tessel/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>

#include "tools/tessel/NameSuggestion.h"

namespace {

// Gives access to the words CLI11 could not place, with their kind.
class Application : public CLI::App {
 public:
  using CLI::App::App;

  std::vector<std::string> UnknownOptions() const { return Collect(true); }
  std::vector<std::string> ExtraOperands() const { return Collect(false); }

 private:
  std::vector<std::string> Collect(bool options) const {
    std::vector<std::string> words;
    for (const auto& [kind, word] : missing_) {
      if (kind == CLI::detail::Classifier::POSITIONAL_MARK) continue;
      const bool option = kind != CLI::detail::Classifier::NONE;
      if (option == options) words.push_back(word);
    }
    return words;
  }
};

// "--type T" or "--csv".
std::string Shown(const OptionSpec& option) {
  return option.name + (option.takesValue ? " " + (option.valueName.empty() ? "VALUE" : option.valueName) : "");
}

std::vector<std::string> OptionNames(const std::vector<OptionSpec>& options) {
  std::vector<std::string> names;
  for (const auto& option : options) {
    names.push_back(option.name);
    if (!option.alias.empty()) names.push_back(option.alias);
  }
  names.push_back("--help");
  return names;
}

// The operand count the command takes, as text for a message.
std::string OperandCount(const Subcommand& command) {
  const size_t required = static_cast<size_t>(
      std::count_if(command.operands.begin(), command.operands.end(), [](const auto& o) { return !o.optional; }));
  return std::to_string(required) + (required == command.operands.size() ? "" : " or more");
}

// The word a user typed for an unknown option, without an inline value.
std::string OptionWord(const std::string& word) { return word.substr(0, word.find('=')); }

}  // namespace

bool CommandLine::AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

bool CommandLine::Parse(const Subcommand& command, const std::vector<OptionSpec>& options,
                        const std::vector<std::string>& args, ParsedArgs& out, std::string& error) {
  Application app(command.summary, "tessel " + command.name);
  app.allow_extras();
  app.set_help_flag();
  app.allow_windows_style_options(false);  // "/path" is an operand
  std::vector<CLI::Option*> declared;
  for (const auto& option : options) {
    const std::string names = option.name + (option.alias.empty() ? "" : "," + option.alias);
    CLI::Option* cli = option.takesValue ? app.add_option(names)->expected(1) : app.add_flag(names);
    cli->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    declared.push_back(cli);
  }
  std::vector<CLI::Option*> operands;
  for (size_t i = 0; i < command.operands.size(); ++i) {
    operands.push_back(app.add_option("operand" + std::to_string(i))->expected(1));
  }
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ArgumentMismatch& e) {
    // With every option keeping all values, the only mismatch left is a
    // value-taking option at the end of the line.
    const std::string what = e.what();
    error = "option " + what.substr(0, what.find(':')) + " needs a value";
    return false;
  } catch (const CLI::ParseError& e) {
    error = e.what();
    return false;
  }
  const auto unknown = app.UnknownOptions();
  if (!unknown.empty()) {
    // A long name is likely a typo of a known one; a short one is more
    // likely a value that begins with '-'.
    const std::string word = OptionWord(unknown.front());
    const std::string hint = word.rfind("--", 0) == 0 ? NameSuggestion::Hint(word, OptionNames(options)) : "";
    error = "unknown option " + word + " for '" + command.name + "'" +
            (hint.empty() ? "; a value that begins with '-' goes after --" : hint);
    return false;
  }
  for (size_t i = 0; i < options.size(); ++i) {
    const OptionSpec& option = options[i];
    const auto results = declared[i]->results();
    if (results.size() > 1 && !option.repeatable) {
      error = "option " + option.name + " given twice";
      return false;
    }
    for (const std::string& value : results) {
      if (!option.takesValue && value != "true") {
        error = "option " + option.name + " takes no value";
        return false;
      }
      out.options.emplace(option.name, option.takesValue ? value : "");
    }
  }
  for (size_t i = 0; i < operands.size(); ++i) {
    if (operands[i]->count() == 0) {
      if (!command.operands[i].optional) {
        error = "missing operand " + command.operands[i].name + "; usage: " + Usage(command);
        return false;
      }
      break;
    }
    out.operands.push_back(operands[i]->results().front());
  }
  if (!app.ExtraOperands().empty()) {
    error = "too many operands ('" + command.name + "' takes " + OperandCount(command) + "); usage: " + Usage(command);
    return false;
  }
  return true;
}

std::string CommandLine::Usage(const Subcommand& command) {
  std::string usage = "tessel " + command.name;
  for (const auto& option : command.options) usage += " [" + Shown(option) + "]" + (option.repeatable ? "..." : "");
  for (const auto& operand : command.operands) usage += " " + (operand.optional ? "[" + operand.name + "]" : operand.name);
  return usage;
}

void CommandLine::PrintHelp(const Subcommand& command, const std::vector<OptionSpec>& options, std::ostream& out) {
  // A name and its description; the description is wrapped at word ends
  // to lines of 79 characters, indented under its first line.
  const auto column = [&out](const std::string& left, const std::string& right) {
    constexpr size_t kIndent = 24;
    constexpr size_t kLine = 79;
    out << "  " << left;
    if (left.size() < kIndent - 2) {
      out << std::string(kIndent - 2 - left.size(), ' ');
    } else {
      out << "\n" << std::string(kIndent, ' ');
    }
    std::istringstream words(right);
    size_t used = kIndent;
    bool first = true;
    for (std::string word; words >> word; first = false) {
      if (!first && used + 1 + word.size() > kLine) {
        out << "\n" << std::string(kIndent, ' ');
        used = kIndent;
      } else if (!first) {
        out << ' ';
        ++used;
      }
      out << word;
      used += word.size();
    }
    out << "\n";
  };
  out << "usage: " << Usage(command) << "\n\n" << command.summary << "\n";
  if (!command.details.empty()) out << "\n" << command.details << "\n";
  if (!command.operands.empty()) {
    out << "\nOperands:\n";
    for (const auto& operand : command.operands) column(operand.name, operand.help);
  }
  out << "\nOptions (before or after the operands; -- ends them):\n";
  for (const auto& option : options) {
    const std::string left = (option.alias.empty() ? "" : option.alias + ", ") + Shown(option);
    column(left, option.help + (option.repeatable ? " (repeatable)" : ""));
  }
  column("-h, --help", "show this help");
  if (!command.examples.empty()) {
    out << "\nExamples:\n";
    for (const auto& example : command.examples) out << "  " << example << "\n";
  }
}
