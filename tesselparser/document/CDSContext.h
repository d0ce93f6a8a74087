// CDSContext.h - keeps the current data-source type for one composition.
//
// A guard on the stack: it sets the process-wide current data-source type
// (DataSource.h) for the span of one composition and puts the previous type
// back when it ends, on every path, so that a nested composition (a
// sub-query, an object parameter) does not leak its type into its caller.
// Nested guards restore in reverse order. Single-threaded by contract: the
// current type is one unlocked value.
#pragma once

#include "contracts/basis30/Basis30Types.h"

class CDSContext {
 public:
  // Saves the current type, then sets `type` unless it is DSTYPE_NONE
  // (which leaves the current type as it is).
  explicit CDSContext(DSTYPE type);
  CDSContext(const CDSContext&) = delete;
  CDSContext& operator=(const CDSContext&) = delete;
  // Always restores the saved type.
  virtual ~CDSContext();

 private:
  DSTYPE m_savedType;
};
