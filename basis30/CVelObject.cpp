// CVelObject.cpp - the object model's base object over one element.
#include "contracts/basis30/CVelObject.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <utility>
#include <set>
#include <string>

#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"

namespace {

CString NewGuid() {
  static std::mt19937_64 engine{std::random_device{}()};
  const unsigned long long hi = engine();
  const unsigned long long lo = engine();
  CString guid;
  guid.Format("{%08llX-%04llX-%04llX-%04llX-%012llX}", hi >> 32, (hi >> 16) & 0xFFFF, hi & 0xFFFF, lo >> 48,
              lo & 0xFFFFFFFFFFFFull);
  return guid;
}

DATATYPE DataTypeFromCode(long code) {
  switch (code) {
    case 2: case 3: case 4: case 5: case 6: case 11: case 14:
    case 16: case 17: case 18: case 19: case 20: case 21: case 131: case 139:
      return DATATYPE_NUMERIC;
    case 8: case 72: case 129: case 130: case 200: case 201: case 202: case 203:
      return DATATYPE_CHARACTER;
    case 7: case 64: case 133: case 134: case 135:
      return DATATYPE_DATETIME;
    default:
      return DATATYPE_OBJECT;
  }
}

// The "Attachments" child of `element`, or null.
IXMLDOMElementPtr AttachmentsOf(const IXMLDOMElementPtr& element) {
  for (IXMLDOMNodePtr child = element.firstChild(); child; child = child.nextSibling()) {
    IXMLDOMElementPtr e(child);
    if (e && e.tagName() == "Attachments") return e;
  }
  return nullptr;
}

// The first "Attachment" of `attachments` named `name`, or null. Names are
// compared here rather than in an XPath test so that any text can be a name.
IXMLDOMElementPtr FindAttachment(const IXMLDOMElementPtr& attachments, const char* name) {
  if (!attachments) return nullptr;
  for (IXMLDOMNodePtr child = attachments.firstChild(); child; child = child.nextSibling()) {
    IXMLDOMElementPtr e(child);
    if (e && e.tagName() == "Attachment" && e.getAttribute("Name") == name) return e;
  }
  return nullptr;
}

}  // namespace

CVelObject::CVelObject(IXMLDOMNodePtr node) : m_pElement(std::move(node)) {}

CVelObject::~CVelObject() = default;

const IXMLDOMElementPtr& CVelObject::Checked(const char* call) const {
  if (!m_pElement) throw _com_error(E_POINTER, std::string(call) + " called on an object without an element");
  return m_pElement;
}

IXMLDOMElementPtr CVelObject::CreateObject(const char* type, bool bAttach, bool bNewGUID, const char* name) {
  IXMLDOMElementPtr element = IXMLDOMDocumentPtr::Create().createElement(type);
  if (bNewGUID) element.setAttribute("GUID", NewGuid());
  if (name != nullptr && *name != '\0') element.setAttribute("Name", name);
  if (bAttach) Attach(element);
  return element;
}

HRESULT CVelObject::Attach(IXMLDOMNodePtr node) {
  m_pElement = IXMLDOMElementPtr(node);
  return S_OK;
}

HRESULT CVelObject::AttachRefObject(bool bLoad) {
  IXMLDOMNodePtr target;
  const HRESULT hr = GetRefObject(target, bLoad);
  if (hr == S_OK && target) Attach(target);
  return hr;
}

void CVelObject::SetName(const char* name) { SetAttribute("Name", name); }

void CVelObject::SetShowName(const char* name) { SetAttribute("ShowName", name); }

void CVelObject::SetSearchPattern(const char* pattern) { SetAttribute("SearchPattern", pattern); }

void CVelObject::SetAttribute(const char* name, const CVelVariant& value) {
  const IXMLDOMElementPtr& element = Checked("SetAttribute");
  if (value.GetString().IsEmpty()) {
    element.removeAttribute(name);
    return;
  }
  element.setAttribute(name, value.GetString());
}

HRESULT CVelObject::CheckName() { return GetName().IsEmpty() ? E_INVALIDARG : S_OK; }

void CVelObject::ResetGUID() { SetAttribute("GUID", NewGuid()); }

HRESULT CVelObject::Delete() {
  const IXMLDOMElementPtr& element = Checked("Delete");
  IXMLDOMNodePtr parent = element.parentNode();
  if (parent) parent.removeChild(element);
  return S_OK;
}

IXMLDOMElementPtr CVelObject::CopyObject() { return IXMLDOMElementPtr(Checked("CopyObject").cloneNode(true)); }

HRESULT CVelObject::ReferringObject(const CVelObject& target) {
  const IXMLDOMElementPtr& element = target.Checked("ReferringObject");
  CString guid = element.getAttribute("GUID");
  if (guid.IsEmpty()) {
    guid = NewGuid();
    element.setAttribute("GUID", guid);
  }
  SetAttribute("RefObject", guid);
  return S_OK;
}

HRESULT CVelObject::GetRefObject(IXMLDOMNodePtr& node, bool /*bLoad*/) {
  node = nullptr;
  const CString reference = GetAttribute("RefObject");
  if (reference.IsEmpty()) return S_FALSE;
  IXMLDOMElementPtr target = m_pElement.ownerDocument().findElementByAttribute("GUID", reference);
  if (!target || target == m_pElement) return TRLE_REFERENCE_UNRESOLVED;
  node = target;
  return S_OK;
}

IXMLDOMNodePtr CVelObject::GetRefObject(bool bLoad) {
  IXMLDOMNodePtr node;
  return GetRefObject(node, bLoad) == S_OK ? node : IXMLDOMNodePtr();
}

void CVelObject::BreakReferring() {
  const CString reference = GetAttribute("RefObject");
  if (reference.IsEmpty()) return;
  SetAttribute("BrokenRefObject", reference);
  SetAttribute("RefObject", "");
}

void CVelObject::RecoverReferring() {
  const CString reference = GetAttribute("BrokenRefObject");
  if (reference.IsEmpty()) return;
  SetAttribute("RefObject", reference);
  SetAttribute("BrokenRefObject", "");
}

HRESULT CVelObject::SetAttachment(const char* name, const char* data) {
  const IXMLDOMElementPtr& element = Checked("SetAttachment");
  if (name == nullptr || *name == '\0') return E_INVALIDARG;
  IXMLDOMElementPtr attachments = AttachmentsOf(element);
  if (!attachments) {
    attachments = element.ownerDocument().createElement("Attachments");
    element.appendChild(attachments);
  }
  IXMLDOMElementPtr attachment = FindAttachment(attachments, name);
  if (!attachment) {
    attachment = element.ownerDocument().createElement("Attachment");
    attachment.setAttribute("Name", name);
    attachments.appendChild(attachment);
  }
  attachment.setAttribute("Data", data ? data : "");
  return S_OK;
}

HRESULT CVelObject::GetAttachment(const char* name, CString& data) {
  data.Empty();
  if (IsNull() || name == nullptr || *name == '\0') return S_FALSE;
  IXMLDOMElementPtr attachment = FindAttachment(AttachmentsOf(GetElement()), name);
  if (!attachment) return S_FALSE;
  data = attachment.getAttribute("Data");
  return S_OK;
}

HRESULT CVelObject::DeleteAttachment(const char* name) {
  const IXMLDOMElementPtr& element = Checked("DeleteAttachment");
  if (name == nullptr || *name == '\0') return S_FALSE;
  IXMLDOMElementPtr attachments = AttachmentsOf(element);
  HRESULT hr = S_FALSE;
  // Duplicates (from a hand-edited document) all go, so that a read after
  // the deletion cannot find a stale copy.
  while (IXMLDOMElementPtr attachment = FindAttachment(attachments, name)) {
    attachments.removeChild(attachment);
    hr = S_OK;
  }
  // Leave no empty container behind: the element looks as it did before
  // its first attachment.
  if (attachments && !attachments.firstChild()) element.removeChild(attachments);
  return hr;
}

CString CVelObject::GetValue() { return GetAttribute("Value"); }

void CVelObject::SetValue(const char* value) { SetAttribute("Value", value); }

DATATYPE CVelObject::GetDataType() {
  if (!m_pElement) return DATATYPE_CHARACTER;
  // Read first, asked about only when empty: most objects carry a type.
  const AttributeText code = m_pElement.attributeText("DataType");
  if (code.empty() && !m_pElement.hasAttribute("DataType")) return DATATYPE_CHARACTER;
  const std::string_view digits = code.view();
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return DATATYPE_OBJECT;
  }
  // A code too large for a number is no type either.
  long number = 0;
  const auto read = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return read.ec == std::errc() ? DataTypeFromCode(number) : DATATYPE_OBJECT;
}

void CVelObject::SetDataType(DATATYPE type) {
  switch (type) {
    case DATATYPE_NUMERIC: SetAttribute("DataType", "5"); break;
    case DATATYPE_CHARACTER: SetAttribute("DataType", "200"); break;
    case DATATYPE_DATETIME: SetAttribute("DataType", "7"); break;
    default: SetAttribute("DataType", "0"); break;
  }
}

CString CVelObject::GetExpression() { return GetAttribute("Expression"); }

void CVelObject::SetExpression(const char* expression) { SetAttribute("Expression", expression); }

CString CVelObject::GetType() const { return m_pElement ? m_pElement.nodeName() : CString(); }

IXMLDOMNodePtr CVelObject::GetExprBuildInfo(bool bCreate) {
  const IXMLDOMElementPtr& element = Checked("GetExprBuildInfo");
  IXMLDOMNodePtr info = element.firstChildNamed("ExprBuildInfo");
  if (info || !bCreate) return info;
  return element.appendChild(element.ownerDocument().createElement("ExprBuildInfo"));
}

IXMLDOMNodePtr CVelObject::GetChildObject(int index) const {
  if (!m_pElement || index < 0) return nullptr;
  int i = 0;
  for (IXMLDOMNodePtr child = m_pElement.firstChild(); child; child = child.nextSibling()) {
    if (child.nodeType() != NODE_ELEMENT) continue;
    if (i++ == index) return child;
  }
  return nullptr;
}

IXMLDOMNodePtr CVelObject::GetChildObject(const char* name, bool bDeep) const {
  if (!m_pElement || name == nullptr) return nullptr;
  if (bDeep) {
    IXMLDOMNodeListPtr all = m_pElement.getElementsByTagName("*");
    for (long i = 0; i < all.length(); ++i) {
      IXMLDOMElementPtr e(all.item(i));
      if (e.getAttribute("Name") == name) return e;
    }
    return nullptr;
  }
  for (IXMLDOMNodePtr child = m_pElement.firstChild(); child; child = child.nextSibling()) {
    IXMLDOMElementPtr e(child);
    if (e && e.getAttribute("Name") == name) return e;
  }
  return nullptr;
}

HRESULT CVelObject::UpdateFromObject(IXMLDOMNodePtr node, const char* keepList, bool bChildren) {
  const IXMLDOMElementPtr& element = Checked("UpdateFromObject");
  IXMLDOMElementPtr source(node);
  if (!source) return E_POINTER;
  if (source == element) return S_OK;
  std::set<std::string> keep;
  const std::string list = keepList ? keepList : "";
  for (size_t start = 0; start <= list.size();) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    CString field(list.substr(start, comma - start));
    field.Trim();
    if (!field.IsEmpty()) keep.insert(field.str());
    start = comma + 1;
  }
  for (const auto& [name, value] : source.attributes()) {
    if (keep.count(name.str()) == 0) element.setAttribute(name, value);
  }
  if (!bChildren) return S_OK;
  while (IXMLDOMNodePtr child = element.firstChild()) element.removeChild(child);
  for (IXMLDOMNodePtr child = source.firstChild(); child; child = child.nextSibling()) {
    element.appendChild(child.cloneNode(true));
  }
  return S_OK;
}

HRESULT CVelObject::LoadFromData(const char* xml) {
  IXMLDOMDocumentPtr document;
  if (!document.loadXML(xml)) {
    CString where;
    where.Format("%s (line %d, column %d)", document.parseError().reason.GetString(), document.parseError().line,
                 document.parseError().linepos);
    SetErrorInfo(GetMsg(B30E_XML_MALFORMED) + ": " + where, nullptr);
    return B30E_XML_MALFORMED;
  }
  Attach(document.documentElement());
  return S_OK;
}
