// CParam.cpp - the parameter element's readers and the visibility writer.
#include "params/CParam.h"

CParam::CParam(IXMLDOMNodePtr node) : CBaseObject(nullptr) {
  if (node) Attach(node);
}

CParam::~CParam() = default;

CString CParam::GetValue(bool /*bEvaluate*/) {
  CString value = CBaseObject::GetValue();
  return value.IsEmpty() ? GetDefaultValue() : value;
}

IXMLDOMNodePtr CParam::GetValueSource() const { return Checked("GetValueSource").selectSingleNode("ValueSource"); }

PTYPE CParam::GetParamType() const { return GetExType() == "ObjectParam" ? PTYPE_OBJECT : PTYPE_VALUE; }

IXMLDOMNodePtr CParam::GetDefaultObject() const { return Checked("GetDefaultObject").selectSingleNode("DefaultValue"); }

bool CParam::IsVisible() const { return GetAttribute("Visible").CompareNoCase("False") != 0; }

void CParam::SetVisible(bool visible) { SetAttribute("Visible", CVelVariant(visible ? "True" : "False")); }
