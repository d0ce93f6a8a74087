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
// An argument that is itself a template of the table (GetMsg of an inner
// failure passed on) is shown as the message recorded for that failure when
// the last recorded message fills that template, else as the template read
// without its slots. SetErrorInfo treats its message and detail the same
// way, so no recorded message holds an unfilled "%s".
CString FormatMsg(HRESULT code, const char* arg1, const char* arg2 = nullptr);

// The message of `code` for showing on its own: GetMsg(code), with a
// template resolved as FormatMsg resolves its arguments.
CString GetMsgText(HRESULT code);
