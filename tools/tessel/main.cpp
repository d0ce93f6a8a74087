// main.cpp - the tessel command-line tool: dispatch to the subcommands.
#include <csignal>

#include "tools/tessel/Tool.h"

int main(int argc, char** argv) {
  // A write past a file-size limit then fails with an error the tool
  // reports, instead of a signal that ends the process mid-write.
  std::signal(SIGXFSZ, SIG_IGN);
  return RunTool(argc, argv);
}
