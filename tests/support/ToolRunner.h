// ToolRunner.h - runs the tessel tool as a separate process for the tool
// tests and collects its exit status and output.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A file of its own for one run's standard input: test programs run side by
// side under "ctest -j", so no two runs may share a name. mkstemp makes the
// name unique across processes; the caller removes the file.
inline std::string WriteInputFile(const std::string& input) {
  std::string path = ::testing::TempDir() + "tessel_input_XXXXXX";
  const int fd = mkstemp(path.data());
  if (fd < 0) return "";
  size_t done = 0;
  while (done < input.size()) {
    const ssize_t n = write(fd, input.data() + done, input.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  return done == input.size() ? path : "";
}

// A new empty folder of the caller's own under the temporary folder, unique
// across the test programs that ctest runs side by side.
inline std::string UniqueTempDir(const std::string& prefix) {
  std::string path = ::testing::TempDir() + prefix + "_XXXXXX";
  return mkdtemp(path.data()) != nullptr ? path : "";
}

// Runs a shell command line and collects what it prints (both streams).
inline ToolRun Shell(const std::string& command) {
  ToolRun run;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) run.out.append(buf.data(), n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// Runs the tool with `args` (already shell-quoted) and optional input.
inline ToolRun Tool(const std::string& args, const std::string& input = "") {
  std::string command = std::string(TESSEL_TOOL_PATH) + " " + args;
  std::string inputFile;
  if (!input.empty()) {
    inputFile = WriteInputFile(input);
    if (inputFile.empty()) return ToolRun{};
    command += " < " + ShellQuote(inputFile);
  }
  ToolRun run = Shell(command);
  if (!inputFile.empty()) std::remove(inputFile.c_str());
  return run;
}
