// CVelVariant.cpp - numeric constructors and the integer reading.
#include "contracts/basis30/CVelVariant.h"

#include <cstdio>
#include <cstdlib>

CVelVariant::CVelVariant(int value) : CVelVariant(static_cast<long>(value)) {}

CVelVariant::CVelVariant(long value) : m_empty(false) { m_text.Format("%ld", value); }

CVelVariant::CVelVariant(double value) : m_empty(false) { m_text.Format("%.15g", value); }

long CVelVariant::GetLong() const { return std::strtol(m_text, nullptr, 10); }
