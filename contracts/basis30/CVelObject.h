// CVelObject.h - an object of the query document, bound to one element.
//
// The object model's base class. Its storage is the element itself:
//   name        attribute "Name"          type   the element's tag name
//   ExType      attribute "ExType"        value  attribute "Value"
//   expression  attribute "Expression"    data type  attribute "DataType"
//   reference   attribute "RefObject" (a GUID of this document here; the
//               repository layer adds repository paths)
// "DataType" holds the column's type code in the OLE DB numbering, which
// GetDataType maps to DATATYPE (see there). SetAttribute with an empty value
// removes the attribute, so that an XPath test on the attribute's value
// never selects an object whose value was cleared.
//
// A null object (no element) reads as empty everywhere; writing to it throws
// `_com_error(E_POINTER)`. CBaseObject (trellis) derives from it.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "contracts/basis30/Basis30Types.h"
#include "contracts/basis30/CVelVariant.h"
#include "platform/HResult.h"
#include "platform/IXMLDOMDocumentPtr.h"

class CVelObject {
 public:
  CVelObject(IXMLDOMNodePtr node = nullptr);  // NOLINT: wraps a node
  CVelObject(const CVelObject& other) = default;
  CVelObject& operator=(const CVelObject& other) = default;
  virtual ~CVelObject();

  // --- virtual operations, in the object model's slot order ----------------
  // Creates a detached element `type` in a scratch document (adopted by the
  // document it is appended to). With `bAttach` this object is bound to it;
  // with `bNewGUID` it gets a fresh "GUID"; a non-null `name` is set as
  // "Name". Returns the new element.
  virtual IXMLDOMElementPtr CreateObject(const char* type, bool bAttach = true, bool bNewGUID = false,
                                         const char* name = nullptr);
  // Binds the object to `node` (an element, else the object becomes null).
  // Returns S_OK.
  virtual HRESULT Attach(IXMLDOMNodePtr node);
  // Binds the object to the element it refers to (GetRefObject). Returns the
  // resolution's code; the object is unchanged on failure.
  virtual HRESULT AttachRefObject(bool bLoad);
  virtual void SetName(const char* name);
  virtual void SetShowName(const char* name);
  virtual void SetSearchPattern(const char* pattern);
  // Writes an attribute; an empty value removes it.
  virtual void SetAttribute(const char* name, const CVelVariant& value);
  // S_OK when the name is a usable object name (non-empty), else E_INVALIDARG.
  virtual HRESULT CheckName();
  // Gives the object a fresh "GUID".
  virtual void ResetGUID();
  // Removes the element from its parent; the object stays bound to it.
  virtual HRESULT Delete();
  // A detached deep copy of the element (same document).
  virtual IXMLDOMElementPtr CopyObject();
  // Makes this object refer to `target` (writes its GUID as "RefObject",
  // giving the target a GUID when it has none).
  virtual HRESULT ReferringObject(const CVelObject& target);
  // Resolves "RefObject": here, the element of the same document whose
  // "GUID" equals it. S_OK and the node, S_FALSE when the object does not
  // refer, TRLE_REFERENCE_UNRESOLVED when nothing matches.
  virtual HRESULT GetRefObject(IXMLDOMNodePtr& node, bool bLoad);
  virtual IXMLDOMNodePtr GetRefObject(bool bLoad);
  // Breaking keeps the reference in "BrokenRefObject"; recovering restores it.
  virtual void BreakReferring();
  virtual void RecoverReferring();
  // Attachments: named texts kept in "Attachments/Attachment" children
  // ("Name", "Data"). Set: S_OK, E_INVALIDARG for an empty name. Get: S_OK,
  // or S_FALSE with empty data when absent. Delete: S_OK, S_FALSE when
  // there was none; an emptied "Attachments" element is removed.
  virtual HRESULT SetAttachment(const char* name, const char* data);
  virtual HRESULT GetAttachment(const char* name, CString& data);
  virtual HRESULT DeleteAttachment(const char* name);
  virtual CString GetValue();
  virtual void SetValue(const char* value);
  // "DataType" code -> DATATYPE: 2,3,4,5,6,11,14,16..21,131,139 numeric;
  // 8,72,129,130,200..203 character; 7,64,133,134,135 date/time; any other
  // code untyped (99); no attribute: character.
  virtual DATATYPE GetDataType();
  // Writes 5, 200, 7 or 0 for numeric, character, date/time and untyped.
  virtual void SetDataType(DATATYPE type);
  virtual CString GetExpression();
  virtual void SetExpression(const char* expression);

  // --- plain operations -------------------------------------------------------
  bool IsNull() const noexcept { return !m_pElement; }
  const IXMLDOMElementPtr& GetElement() const noexcept { return m_pElement; }
  IXMLDOMNodePtr GetNode() const { return m_pElement; }
  CString GetName() const { return GetAttribute("Name"); }
  CString GetType() const;
  // The same as a view of the element's own name, for the many type tests
  // of a composition that need no copy; empty for a null object. Read it
  // again after the element moves to another document (see
  // IXMLDOMElementPtr::tagNameView).
  std::string_view TypeName() const { return m_pElement ? m_pElement.tagNameView() : std::string_view(); }
  CString GetExType() const { return GetAttribute("ExType"); }
  void SetExType(const char* exType) { SetAttribute("ExType", exType); }
  // The attribute text; empty when absent or when the object is null.
  CString GetAttribute(const char* name) const { return m_pElement ? m_pElement.getAttribute(name) : CString(); }
  // The same text without a copy, for a test or a comparison (see
  // AttributeText): valid until the attribute changes.
  AttributeText AttributeView(const char* name) const {
    return m_pElement ? m_pElement.attributeText(name) : AttributeText();
  }
  // Several attribute texts from one walk over the attributes (see
  // IXMLDOMElementPtr::attributeTexts); all empty when the object is null.
  template <std::size_t N>
  std::array<AttributeText, N> AttributeViews(const char* const (&names)[N]) const {
    return m_pElement ? m_pElement.attributeTexts(names) : std::array<AttributeText, N>();
  }
  bool IsReferring() const { return !AttributeView("RefObject").empty(); }
  // The "ExprBuildInfo" child element; created (and appended) when absent
  // and `bCreate` is true, else null when absent.
  IXMLDOMNodePtr GetExprBuildInfo(bool bCreate);
  // Child element number `index` (0-based, elements only), or null.
  IXMLDOMNodePtr GetChildObject(int index) const;
  // The first child element whose "Name" equals `name`; with `bDeep` also
  // deeper descendants (document order). Null when none.
  IXMLDOMNodePtr GetChildObject(const char* name, bool bDeep) const;
  // Copies the attributes of `node` onto this element, except those named in
  // the comma-separated `keepList`, which keep this element's own values.
  // `bChildren` also replaces this element's children by copies of `node`'s.
  HRESULT UpdateFromObject(IXMLDOMNodePtr node, const char* keepList, bool bChildren);
  // Parses `xml` into a new document and binds this object to its document
  // element. B30E_XML_MALFORMED (message recorded) when it is not XML.
  HRESULT LoadFromData(const char* xml);

 protected:
  IXMLDOMElementPtr& Element() { return m_pElement; }
  // The element, or throws `_com_error(E_POINTER)` naming `call`.
  const IXMLDOMElementPtr& Checked(const char* call) const;

 private:
  IXMLDOMElementPtr m_pElement;
};
