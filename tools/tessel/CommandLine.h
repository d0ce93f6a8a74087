// CommandLine.h - one subcommand's arguments read with CLI11 from the
// subcommand's table entry, and the texts of its help.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/tessel/Tool.h"

class CommandLine {
 public:
  // Reads `args` (the words after the subcommand's name) for `command`,
  // whose options are `options` (its own and those every subcommand
  // accepts). Options may stand before, between or after the operands;
  // "--" ends the options. Fills `out` and returns true, or returns false
  // with `error` set to a message for the user (an unknown option with the
  // nearest known one, a missing value, a wrong number of operands).
  static bool Parse(const Subcommand& command, const std::vector<OptionSpec>& options,
                    const std::vector<std::string>& args, ParsedArgs& out, std::string& error);

  // "tessel NAME [--opt V]... OPERANDS", the subcommand's own options only.
  static std::string Usage(const Subcommand& command);

  // The subcommand's help: usage, summary, operands, options, examples.
  static void PrintHelp(const Subcommand& command, const std::vector<OptionSpec>& options, std::ostream& out);

  // True when `args` asks for help ("--help" or "-h" before any "--").
  static bool AsksForHelp(const std::vector<std::string>& args);
};
