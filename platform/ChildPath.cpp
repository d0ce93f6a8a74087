// ChildPath.cpp - parsing and walking plain child paths.
#include "platform/ChildPath.h"

#include <cstring>

#include "platform/XmlName.h"

namespace {

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// Reads an ASCII name at `p`; empty when there is none.
std::string ReadName(const char*& p) {
  const char* start = p;
  if (!IsNameStart(*p)) return {};
  while (IsNameChar(*p)) ++p;
  return std::string(start, p);
}

// The string value of an attribute: the content of its one text child, or
// what libxml2 makes of several children.
bool AttributeValueIs(xmlAttrPtr attr, const std::string& value) {
  xmlNodePtr text = attr->children;
  if (text == nullptr) return value.empty();
  if (text->next == nullptr && text->type == XML_TEXT_NODE && text->content != nullptr) {
    return value == reinterpret_cast<const char*>(text->content);
  }
  xmlChar* content = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr));
  const bool equal = value == (content ? reinterpret_cast<const char*>(content) : "");
  xmlFree(content);
  return equal;
}

xmlAttrPtr FindAttribute(xmlNodePtr element, const std::string& name) {
  for (xmlAttrPtr a = element->properties; a != nullptr; a = a->next) {
    if (a->ns == nullptr && SameXmlName(a->name, name.c_str())) return a;
  }
  return nullptr;
}

}  // namespace

bool ChildPath::Parse(const char* xpath) {
  m_steps.clear();
  if (xpath == nullptr) return false;
  const char* p = xpath;
  for (;;) {
    Step step;
    if (*p == '*') {
      step.name = "*";
      step.any = true;
      ++p;
    } else {
      step.name = ReadName(p);
      if (step.name.empty()) return false;
    }
    if (*p == '[') {
      ++p;
      if (*p == '@') {
        ++p;
        step.attribute = ReadName(p);
        if (step.attribute.empty()) return false;
        if (*p == '=') {
          step.test = Test::EQUAL;
          ++p;
        } else if (p[0] == '!' && p[1] == '=') {
          step.test = Test::NOT_EQUAL;
          p += 2;
        } else {
          return false;
        }
        const char quote = *p;
        if (quote != '\'' && quote != '"') return false;
        const char* end = std::strchr(p + 1, quote);
        if (end == nullptr) return false;
        step.value.assign(p + 1, end);
        p = end + 1;
      } else {
        if (*p < '1' || *p > '9') return false;
        step.test = Test::POSITION;
        for (; *p >= '0' && *p <= '9'; ++p) {
          if (step.position > 100000000) return false;
          step.position = step.position * 10 + (*p - '0');
        }
      }
      if (*p++ != ']') return false;
    }
    m_steps.push_back(std::move(step));
    if (*p == '\0') return true;
    if (*p++ != '/') return false;
  }
}

bool ChildPath::Matches(const Step& step, xmlNodePtr node) const {
  if (node->type != XML_ELEMENT_NODE) return false;
  if (!step.any && (node->ns != nullptr || !SameXmlName(node->name, step.name.c_str()))) {
    return false;
  }
  if (step.test != Test::EQUAL && step.test != Test::NOT_EQUAL) return true;
  xmlAttrPtr attr = FindAttribute(node, step.attribute);
  if (attr == nullptr) return false;
  return AttributeValueIs(attr, step.value) == (step.test == Test::EQUAL);
}

bool ChildPath::Walk(xmlNodePtr node, std::size_t index, std::vector<xmlNodePtr>* all, xmlNodePtr* first) const {
  if (node->type != XML_ELEMENT_NODE && node->type != XML_DOCUMENT_NODE) return false;
  const Step& step = m_steps[index];
  const bool last = index + 1 == m_steps.size();
  long seen = 0;
  for (xmlNodePtr child = node->children; child != nullptr; child = child->next) {
    if (!Matches(step, child)) continue;
    if (step.test == Test::POSITION && ++seen != step.position) continue;
    if (last && first != nullptr) {
      *first = child;
      return true;
    }
    if (last) {
      all->push_back(child);
    } else if (Walk(child, index + 1, all, first)) {
      return true;
    }
    if (step.test == Test::POSITION) break;
  }
  return false;
}

void ChildPath::Select(xmlNodePtr context, std::vector<xmlNodePtr>& out) const {
  if (!m_steps.empty()) Walk(context, 0, &out, nullptr);
}

xmlNodePtr ChildPath::SelectFirst(xmlNodePtr context) const {
  xmlNodePtr first = nullptr;
  if (!m_steps.empty()) Walk(context, 0, nullptr, &first);
  return first;
}
