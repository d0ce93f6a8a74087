// JsonText.cpp - JSON string quoting and the number test.
#include "tools/tessel/JsonText.h"

#include <cctype>
#include <cstdio>

size_t JsonText::SequenceLength(const std::string& text, size_t pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  if (byte(pos + 1) < low || byte(pos + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

std::string JsonText::Quote(const std::string& text) {
  std::string out = "\"";
  for (size_t pos = 0; pos < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c >= 0x80) {
      const size_t length = SequenceLength(text, pos);
      if (length == 0) {
        out += "\\ufffd";
        ++pos;
      } else {
        out.append(text, pos, length);
        pos += length;
      }
      continue;
    }
    ++pos;
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

bool JsonText::IsNumber(const std::string& text) {
  size_t pos = 0;
  const auto digits = [&] {
    const size_t start = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
    return pos > start;
  };
  if (pos < text.size() && text[pos] == '-') ++pos;
  if (pos < text.size() && text[pos] == '0') {
    ++pos;
  } else if (pos >= text.size() || text[pos] == '0' || !digits()) {
    return false;
  }
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    if (!digits()) return false;
  }
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    if (!digits()) return false;
  }
  return pos == text.size();
}
