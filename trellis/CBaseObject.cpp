// CBaseObject.cpp - document objects that may live in, or refer into, the
// repository.
#include "contracts/trellis/CBaseObject.h"

#include "contracts/basis30/ResultCodes.h"
#include "contracts/trellis/CRepository.h"

namespace {

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

CBaseObject::CBaseObject(IXMLDOMNodePtr node) : CVelObject(node) {}

CBaseObject::~CBaseObject() = default;

// Repository objects are found by their "Name" at every look-up, so renaming
// needs no bookkeeping beyond the attribute itself.
void CBaseObject::SetName(const char* name) { CVelObject::SetName(name); }

HRESULT CBaseObject::GetRefObject(IXMLDOMNodePtr& node, bool /*bLoad*/) {
  node = nullptr;
  const CString reference = GetAttribute("RefObject");
  if (reference.IsEmpty()) return S_FALSE;

  // An object is never its own target: an object copied out of the
  // repository keeps its GUID and may refer to the original by it, and
  // handing the object back to itself would make a caller follow it forever.
  IXMLDOMElementPtr target = GetElement().ownerDocument().findElementByAttribute("GUID", reference);
  if (target && target != GetElement()) {
    node = target;
    return S_OK;
  }

  HRESULT hr = S_OK;
  if (CRepository::IsRepositoryPath(reference)) {
    hr = CRepository::FindByPath(reference, target);
    if (hr == TRLE_PATH_NOT_FOUND) hr = TRLE_REFERENCE_UNRESOLVED;
  } else {
    // A GUID that the document does not hold is unresolved whether or not a
    // repository is open to look in.
    if (!CRepository::IsOpen()) return TRLE_REFERENCE_UNRESOLVED;
    hr = CRepository::FindByGUID(reference, target);
  }
  if (FAILED(hr)) return hr;
  if (target == GetElement()) return TRLE_REFERENCE_UNRESOLVED;
  node = target;
  return S_OK;
}

IXMLDOMNodePtr CBaseObject::GetRefObject(bool bLoad) {
  IXMLDOMNodePtr node;
  return GetRefObject(node, bLoad) == S_OK ? node : IXMLDOMNodePtr();
}

HRESULT CBaseObject::SetAttachment(const char* name, const char* data) {
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

HRESULT CBaseObject::GetAttachment(const char* name, CString& data) {
  data.Empty();
  if (IsNull() || name == nullptr || *name == '\0') return S_FALSE;
  IXMLDOMElementPtr attachment = FindAttachment(AttachmentsOf(GetElement()), name);
  if (!attachment) return S_FALSE;
  data = attachment.getAttribute("Data");
  return S_OK;
}

HRESULT CBaseObject::DeleteAttachment(const char* name) {
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

CString CBaseObject::GetPathName() {
  CString path;
  if (!IsNull() && CRepository::Contains(GetElement(), &path)) return path;
  return GetName();
}

CString CBaseObject::GetPath() {
  CString path;
  if (IsNull() || !CRepository::Contains(GetElement(), &path)) return CString();
  // "$/Orders" lies in the root folder, "$/".
  const int slash = path.ReverseFind('/');
  return slash <= 1 ? CString("$/") : path.Left(slash);
}

HRESULT CBaseObject::Delete(bool /*bRepository*/) {
  // The repository is read-only: removing one of its elements would only
  // make the object vanish from the loaded copy for the rest of the session.
  if (IsRepositoryObject(false)) return E_ACCESSDENIED;
  return CVelObject::Delete();
}

bool CBaseObject::IsRepositoryObject(bool /*bLoad*/) { return !IsNull() && CRepository::Contains(GetElement()); }

HRESULT CBaseObject::LoadFromRepository(const char* text, bool bLoad) {
  if (text == nullptr || *text == '\0') return TRLE_PATH_NOT_FOUND;
  if (CRepository::IsRepositoryPath(text)) return LoadFromRepositoryByPath(text, bLoad);
  IXMLDOMElementPtr element;
  const HRESULT hr = CRepository::FindByGUID(text, element);
  if (FAILED(hr)) return hr;
  Attach(element);
  return S_OK;
}

HRESULT CBaseObject::LoadFromRepositoryByPath(const char* path, bool /*bLoad*/) {
  IXMLDOMElementPtr element;
  const HRESULT hr = CRepository::FindByPath(path, element);
  if (FAILED(hr)) return hr;
  Attach(element);
  return S_OK;
}
