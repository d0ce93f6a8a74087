// ToolRunner.h - runs the tessel tool as a separate process for the tool
// tests and collects its exit status and output.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

struct ToolRun {
  int status = -1;
  std::string out;  // standard output and standard error, merged
};

inline std::string SourceDir() {
  const char* dir = std::getenv("TESSEL_SOURCE_DIR");
  return dir ? dir : TESSEL_SOURCE_DIR_DEFAULT;
}

// `text` as one word for the shell: single-quoted, with every single quote
// written as '\''.
inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// Runs the tool with `args` (already shell-quoted) and optional input.
inline ToolRun Tool(const std::string& args, const std::string& input = "") {
  std::string command = std::string(TESSEL_TOOL_PATH) + " " + args + " 2>&1";
  if (!input.empty()) {
    const std::string inputFile = ::testing::TempDir() + "tessel_input.xml";
    std::ofstream(inputFile) << input;
    command = std::string(TESSEL_TOOL_PATH) + " " + args + " < " + inputFile + " 2>&1";
  }
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) run.out.append(buf.data(), n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}
