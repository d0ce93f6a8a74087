// Messages.h - the message table and the record of the last error.
//
// GetMsg gives the text of every code of ResultCodes.h (a printf template
// where the code's comment names arguments) and of the common HRESULTs;
// other codes read "Unknown error 0x%08X". SetErrorInfo keeps the last
// error message for the host; GetLastErrorInfo reads it back.
#pragma once

#include "platform/CString.h"
#include "platform/HResult.h"

CString GetMsg(HRESULT code);

// Records `message` and `detail` (either may be null) as the last error.
void SetErrorInfo(const char* message, const char* detail);

struct ErrorInfo {
  CString message;
  CString detail;
  bool set = false;
};

// The last error recorded (set is false when none since the last clear).
ErrorInfo GetLastErrorInfo();
void ClearErrorInfo();

// GetMsg(code) used as a printf template with one or two text arguments.
CString FormatMsg(HRESULT code, const char* arg1, const char* arg2 = nullptr);
