// ComError.h - `_com_error`, the exception that document-object calls raise.
//
// The DOM handles (IXMLDOM*Ptr) throw it for a call on a null handle
// (E_POINTER) and for a failing DOM operation. The library itself defines no
// other exception type and catches nothing; a `_com_error` reaches the host.
#pragma once

#include <exception>
#include <string>

#include "platform/HResult.h"

class _com_error : public std::exception {
 public:
  explicit _com_error(HRESULT hr, std::string description = std::string());

  // The failing result code.
  HRESULT Error() const noexcept { return m_hr; }
  // A readable text: the description when one was given, else a generic
  // text naming the code.
  const char* ErrorMessage() const noexcept { return m_message.c_str(); }
  const std::string& Description() const noexcept { return m_description; }
  const char* what() const noexcept override { return m_message.c_str(); }

 private:
  HRESULT m_hr;
  std::string m_description;
  std::string m_message;
};

// Throws `_com_error(E_POINTER)` with `what` as description when `p` is null.
template <typename T>
inline void ThrowIfNull(const T* p, const char* what) {
  if (p == nullptr) throw _com_error(E_POINTER, what);
}
