// CFrameCI.h - the framework's environment switch.
//
// ExistGRS is one process-wide switch, false by default. When true, every
// parse composes queries again and an unresolved reference is an error;
// when false, stored commands are reused and an unresolved reference falls
// back to the object's own content.
#pragma once

class CFrameCI {
 public:
  static bool ExistGRS();
  static void SetExistGRS(bool exist);
};
