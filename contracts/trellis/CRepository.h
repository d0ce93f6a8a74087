// CRepository.h - the folder-backed object repository (process-wide).
//
// A repository is a folder of XML files, organised in sub-folders. The path
// "$/Sales/Orders" (or "#/Sales/Orders") names the object "Orders" of the
// folder "Sales": the first file of that folder (files in name order) whose
// document element is named Orders (attribute "Name"), or has a child
// element named Orders, gives it. A GUID names the element that carries it
// in any file of the repository. Loaded files are kept for the life of the
// open repository, so that a path is read once.
#pragma once

#include "platform/CString.h"
#include "platform/HResult.h"
#include "platform/IXMLDOMDocumentPtr.h"

class CRepository {
 public:
  // Opens the folder `dir` (replacing any open repository). E_INVALIDARG
  // when it is not a folder.
  static HRESULT Open(const char* dir);
  static void Close();
  static bool IsOpen();
  static CString GetRoot();

  // True for a text that starts with "$/" or "#/".
  static bool IsRepositoryPath(const char* text);
  // The element that `path` names. TRLE_NO_REPOSITORY, TRLE_PATH_NOT_FOUND
  // or B30E_XML_MALFORMED (a file of the folder is not XML) on failure.
  static HRESULT FindByPath(const char* path, IXMLDOMElementPtr& element);
  static HRESULT FindByGUID(const char* guid, IXMLDOMElementPtr& element);
  // True when `node` belongs to a document loaded from the repository; then
  // `path` receives "$/Folder/Name" of its object when asked for.
  static bool Contains(const IXMLDOMNodePtr& node, CString* path = nullptr);
};
