// main.cpp - the tessel command-line tool: dispatch to the subcommands.
#include "tools/tessel/Tool.h"

int main(int argc, char** argv) { return RunTool(argc, argv); }
