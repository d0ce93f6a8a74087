// host.cpp - the smallest host: composes a query document with the
// installed library and prints the document's dataset commands.
#include <cstdio>
#include "document/CTesselParser.h"
int main(int argc, char** argv) {
  IXMLDOMDocumentPtr document;
  if (argc != 2 || !document.load(argv[1])) return 2;
  CTesselParser parser(document);
  if (parser.Parse() < 0) return 1;
  std::printf("%s\n", parser.GetCommands().GetString());
}
