// CDSContext.cpp - the data-source type guard.
#include "document/CDSContext.h"

#include "contracts/basis30/DataSource.h"

CDSContext::CDSContext(DSTYPE type) : m_savedType(GetCurDSType()) {
  if (type != DSTYPE_NONE) SetCurDSType(type);
}

CDSContext::~CDSContext() { SetCurDSType(m_savedType); }
