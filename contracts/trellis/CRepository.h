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
  // or B30E_XML_MALFORMED (a file of the folder ahead of the match is not
  // XML; message recorded) on failure. A path has at least an object name;
  // an empty, "." or ".." segment (and so an absolute path) is
  // TRLE_PATH_NOT_FOUND, as is a folder that lies outside the repository
  // through a link. "/" and "\" both separate.
  static HRESULT FindByPath(const char* path, IXMLDOMElementPtr& element);
  // The first element in any file (files in path order) carrying `guid` as
  // "GUID". TRLE_NO_REPOSITORY, TRLE_REFERENCE_UNRESOLVED, or
  // B30E_XML_MALFORMED (message recorded) when no readable file has it and
  // some file is not XML.
  static HRESULT FindByGUID(const char* guid, IXMLDOMElementPtr& element);
  // True when `node` belongs to a document loaded from the repository; then
  // `path` receives "$/Folder/Name" of its object when asked for. The object
  // of a node is the named direct child of the document element that holds
  // it, else the document element; a nameless one is named by its file.
  static bool Contains(const IXMLDOMNodePtr& node, CString* path = nullptr);
};
