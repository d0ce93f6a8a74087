// CBaseObject.cpp - document objects that may live in, or refer into, the
// repository.
#include "contracts/trellis/CBaseObject.h"

#include <utility>

#include "contracts/basis30/ResultCodes.h"
#include "contracts/trellis/CRepository.h"

CBaseObject::CBaseObject(IXMLDOMNodePtr node) : CVelObject(std::move(node)) {}

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

// The stand-in repository is read-only: attachments of an object loaded
// from it are not changed (the change would be lost with the loaded copy).
HRESULT CBaseObject::SetAttachment(const char* name, const char* data) {
  if (!IsNull() && CRepository::Contains(GetElement())) return E_ACCESSDENIED;
  return CVelObject::SetAttachment(name, data);
}

HRESULT CBaseObject::GetAttachment(const char* name, CString& data) { return CVelObject::GetAttachment(name, data); }

HRESULT CBaseObject::DeleteAttachment(const char* name) {
  if (!IsNull() && CRepository::Contains(GetElement())) return E_ACCESSDENIED;
  return CVelObject::DeleteAttachment(name);
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
