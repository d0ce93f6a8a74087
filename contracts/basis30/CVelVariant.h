// CVelVariant.h - a value from text, a number or nothing.
//
// What the object model's setters take: reads back as text or as an
// integer. An empty variant reads as "" and 0.
#pragma once

#include "platform/CString.h"

class CVelVariant {
 public:
  CVelVariant() = default;
  CVelVariant(const char* text) : m_text(text ? text : ""), m_empty(text == nullptr) {}  // NOLINT
  CVelVariant(const CString& text) : m_text(text), m_empty(false) {}                    // NOLINT
  CVelVariant(int value);                                                                // NOLINT
  CVelVariant(long value);                                                               // NOLINT
  CVelVariant(double value);                                                             // NOLINT
  CVelVariant(bool value) : m_text(value ? "True" : "False"), m_empty(false) {}          // NOLINT

  bool IsEmpty() const noexcept { return m_empty; }
  const CString& GetString() const noexcept { return m_text; }
  // The leading integer of the text (0 when it has none).
  long GetLong() const;
  operator const char*() const noexcept { return m_text; }  // NOLINT

 private:
  CString m_text;
  bool m_empty = true;
};
