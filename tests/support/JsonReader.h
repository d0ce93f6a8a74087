// JsonReader.h - a strict JSON reader for the tests that read the tool's
// --json output back: objects keep their members in order, numbers keep
// their text. Anything outside RFC 8259's grammar fails the read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct JsonMember;

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  std::string text;  // a number as written, a string decoded to UTF-8, "true"/"false"
  std::vector<JsonValue> items;
  std::vector<JsonMember> members;

  // The member named `name`, or null when there is none.
  const JsonValue* Find(const std::string& name) const;
};

struct JsonMember {
  std::string key;
  JsonValue value;
};

inline const JsonValue* JsonValue::Find(const std::string& name) const {
  for (const auto& member : members) {
    if (member.key == name) return &member.value;
  }
  return nullptr;
}

class JsonReader {
 public:
  // Reads the whole of `text` (white space around the value allowed).
  static bool Read(const std::string& text, JsonValue& value) {
    JsonReader reader(text);
    reader.Blanks();
    if (!reader.Value(value, 0)) return false;
    reader.Blanks();
    return reader.pos_ == text.size();
  }

 private:
  explicit JsonReader(const std::string& text) : text_(text) {}

  bool Value(JsonValue& value, int depth) {
    if (depth > 64 || pos_ >= text_.size()) return false;
    const char c = text_[pos_];
    if (c == '{') return Object(value, depth);
    if (c == '[') return Array(value, depth);
    if (c == '"') {
      value.kind = JsonValue::Kind::String;
      return String(value.text);
    }
    for (const char* word : {"null", "true", "false"}) {
      if (text_.compare(pos_, std::string(word).size(), word) == 0) {
        value.kind = word[0] == 'n' ? JsonValue::Kind::Null : JsonValue::Kind::Bool;
        value.text = word;
        pos_ += std::string(word).size();
        return true;
      }
    }
    return Number(value);
  }

  bool Object(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::Object;
    ++pos_;
    Blanks();
    if (Take('}')) return true;
    do {
      Blanks();
      std::string key;
      if (!String(key)) return false;
      Blanks();
      if (!Take(':')) return false;
      Blanks();
      JsonValue member;
      if (!Value(member, depth + 1)) return false;
      value.members.push_back({key, member});
      Blanks();
    } while (Take(','));
    return Take('}');
  }

  bool Array(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::Array;
    ++pos_;
    Blanks();
    if (Take(']')) return true;
    do {
      Blanks();
      JsonValue item;
      if (!Value(item, depth + 1)) return false;
      value.items.push_back(item);
      Blanks();
    } while (Take(','));
    return Take(']');
  }

  bool Number(JsonValue& value) {
    const size_t start = pos_;
    Take('-');
    if (!Take('0')) {
      if (Digits() == 0) return false;
    }
    if (Take('.') && Digits() == 0) return false;
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      if (Digits() == 0) return false;
    }
    value.kind = JsonValue::Kind::Number;
    value.text = text_.substr(start, pos_ - start);
    return true;
  }

  bool String(std::string& out) {
    if (!Take('"')) return false;
    while (pos_ < text_.size()) {
      const unsigned char c = static_cast<unsigned char>(text_[pos_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (pos_ >= text_.size()) return false;
      const char e = text_[pos_++];
      const std::string simple = "\"\\/bfnrt";
      const std::string meant = "\"\\/\b\f\n\r\t";
      if (const size_t at = simple.find(e); at != std::string::npos) {
        out += meant[at];
      } else if (e == 'u') {
        uint32_t code = 0;
        if (!Hex4(code)) return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
          uint32_t low = 0;
          if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        Utf8(code, out);
      } else {
        return false;
      }
    }
    return false;
  }

  bool Hex4(uint32_t& code) {
    if (pos_ + 4 > text_.size()) return false;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      const std::string hex = "0123456789abcdef";
      const size_t digit = hex.find(static_cast<char>(c | 0x20));
      if (digit == std::string::npos) return false;
      code = code * 16 + static_cast<uint32_t>(digit);
    }
    return true;
  }

  static void Utf8(uint32_t code, std::string& out) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  size_t Digits() {
    const size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    return pos_ - start;
  }

  bool Take(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  void Blanks() {
    while (pos_ < text_.size() && std::string(" \t\r\n").find(text_[pos_]) != std::string::npos) ++pos_;
  }

  const std::string& text_;
  size_t pos_ = 0;
};
