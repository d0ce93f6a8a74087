// CBaseObject.h - a document object that may live in, or refer into, the
// repository.
//
// Adds to CVelObject the resolution of "RefObject" beyond the document: a
// GUID of an element in the same document first, else a repository path
// ("$/Folder/Name" or "#/Folder/Name") or a GUID of a repository object
// (see CRepository). CQueryObject, CSingleQuery and CParam derive from it.
//
// The `bLoad` flags are accepted and change nothing: the stand-in repository
// reads a file whenever an object in it is first needed.
#pragma once

#include "contracts/basis30/CVelObject.h"

class CBaseObject : public CVelObject {
 public:
  CBaseObject(IXMLDOMNodePtr node = nullptr);  // NOLINT: wraps a node
  CBaseObject(const CBaseObject& other) = default;
  CBaseObject& operator=(const CBaseObject& other) = default;
  ~CBaseObject() override;

  void SetName(const char* name) override;
  // S_OK and the referenced node; S_FALSE (node null) when the object does
  // not refer; TRLE_REFERENCE_UNRESOLVED when nothing matches, or
  // TRLE_NO_REPOSITORY for a repository path while no repository is open.
  HRESULT GetRefObject(IXMLDOMNodePtr& node, bool bLoad) override;
  IXMLDOMNodePtr GetRefObject(bool bLoad) override;
  HRESULT SetAttachment(const char* name, const char* data) override;
  HRESULT GetAttachment(const char* name, CString& data) override;
  HRESULT DeleteAttachment(const char* name) override;
  // Attachments as the object model keeps them (see CVelObject), except
  // that an object loaded from the read-only repository refuses changes
  // with E_ACCESSDENIED.

  // The repository path of the object ("$/Folder/Name") when it lives in the
  // repository, else its name.
  virtual CString GetPathName();
  // The repository folder path ("$/Folder") of a repository object, else "".
  virtual CString GetPath();
  // Removes the element from its parent. The stand-in repository is
  // read-only: an object that lives in it is left in place and
  // E_ACCESSDENIED is returned; `bRepository` is accepted and ignored.
  virtual HRESULT Delete(bool bRepository);
  using CVelObject::Delete;

  // True when the object's element belongs to a repository document.
  bool IsRepositoryObject(bool bLoad);
  // Binds the object to the repository object that `text` names: a path
  // ("$/..." or "#/...") or a GUID. S_OK, or the repository's failure
  // (TRLE_PATH_NOT_FOUND also for an empty text); the object is unchanged on
  // failure. The ByPath form takes paths only.
  HRESULT LoadFromRepository(const char* text, bool bLoad);
  HRESULT LoadFromRepositoryByPath(const char* path, bool bLoad);
};
