// XmlFixture.h - test helpers that load an XML text into a document.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/IXMLDOMDocumentPtr.h"

// Parses `xml` or fails the current test.
inline IXMLDOMDocumentPtr LoadXml(const std::string& xml) {
  IXMLDOMDocumentPtr doc;
  const bool ok = doc.loadXML(xml.c_str());
  EXPECT_TRUE(ok) << doc.parseError().reason.GetString() << " at " << doc.parseError().line << ":"
                  << doc.parseError().linepos;
  return doc;
}

// A fixture holding one document; `Select` finds an element by XPath from
// the document element.
class XmlFixture : public ::testing::Test {
 protected:
  void Load(const std::string& xml) { m_doc = LoadXml(xml); }
  IXMLDOMElementPtr Root() const { return m_doc.documentElement(); }
  IXMLDOMElementPtr Select(const char* xpath) const { return IXMLDOMElementPtr(Root().selectSingleNode(xpath)); }

  IXMLDOMDocumentPtr m_doc;
};
