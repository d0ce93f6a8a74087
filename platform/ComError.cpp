// ComError.cpp - `_com_error` construction and its message text.
#include "platform/ComError.h"

#include <cstdio>

_com_error::_com_error(HRESULT hr, std::string description)
    : m_hr(hr), m_description(std::move(description)) {
  char code[48];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  if (m_description.empty()) {
    m_message = std::string("DOM call failed with ") + code;
  } else {
    m_message = m_description + " (" + code + ")";
  }
}
