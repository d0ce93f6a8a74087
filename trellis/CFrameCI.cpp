// CFrameCI.cpp - the process-wide ExistGRS switch.
#include "contracts/trellis/CFrameCI.h"

namespace {
bool g_existGRS = false;
}

bool CFrameCI::ExistGRS() { return g_existGRS; }

void CFrameCI::SetExistGRS(bool exist) { g_existGRS = exist; }
