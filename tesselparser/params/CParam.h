// CParam.h - one "Parameter" element of a query document.
//
// Reads the parameter's value (or its default), value source, kind and the
// flags with which a host presents it to a user, and writes the visibility
// flag. All storage is the element itself; the class adds no data. The
// parameter handler uses it to resolve references, and the query-object
// code uses it to reach an object parameter's value source.
#pragma once

#include "TesselParserExport.h"
#include "contracts/trellis/CBaseObject.h"

// Kinds of parameter.
enum PTYPE {
  PTYPE_VALUE = 0,   // a value parameter
  PTYPE_OBJECT = 1,  // "ExType" is exactly "ObjectParam"
};

class TESSEL_API CParam : public CBaseObject {
 public:
  CParam(IXMLDOMNodePtr node = nullptr);  // NOLINT: wraps a node
  CParam(const CParam& other) = default;
  CParam& operator=(const CParam& other) = default;
  ~CParam() override;

  // The element's value; when that is empty, the "DefaultValue" attribute.
  // The flag is accepted for the caller's signature and changes nothing.
  CString GetValue(bool bEvaluate);
  using CBaseObject::GetValue;
  CString GetDefaultValue() const { return GetAttribute("DefaultValue"); }
  // The "ValueSource" child element, or null. Needs an element.
  IXMLDOMNodePtr GetValueSource() const;
  PTYPE GetParamType() const;
  // The "DefaultValue" child element (the default object of an object
  // parameter), or null. Needs an element.
  IXMLDOMNodePtr GetDefaultObject() const;
  // False when "Visible" is "False" in any letter case.
  bool IsVisible() const;
  // Writes "Visible" as "True" or "False".
  void SetVisible(bool visible);
  // Each is false only for the exact text "False" of its attribute.
  bool AllowInput() const { return GetAttribute("AllowInput") != "False"; }
  bool AllowEmpty() const { return GetAttribute("AllowEmpty") != "False"; }
  bool AllowMultiValues() const { return GetAttribute("AllowMultiValues") != "False"; }
};
