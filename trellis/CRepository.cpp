// CRepository.cpp - the folder-backed object repository.
//
// One repository is open per process. Files are parsed on first use and kept
// until the repository is closed, so every element handed out stays the same
// element for the whole session (objects bound to it see each other's
// changes, and a GUID index built on a document is reused). Folder listings
// are kept as well: a lookup by path touches the disk only the first time
// a folder or file is needed.
//
// Texts name objects, not files: a path is split into folder names and one
// object name, and only the folder names reach the file system. They are
// checked so that no text can name a folder outside the repository.
#include "contracts/trellis/CRepository.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"

namespace fs = std::filesystem;

namespace {

// A repository file as read once: its document, or why it is not XML.
struct LoadedFile {
  IXMLDOMDocumentPtr doc;
  CString error;
};

struct RepositoryState {
  bool open = false;
  fs::path root;  // canonical
  std::map<std::string, LoadedFile> files;                      // file path -> contents
  std::unordered_map<IXMLDOMNodePtr, fs::path> owners;         // document -> its file
  std::map<std::string, std::vector<fs::path>> folders;         // folder -> its .xml files, by name
  std::vector<fs::path> allFiles;                               // every .xml file, by path
  bool allListed = false;
};

// Deliberately never destroyed: the cached documents must not be freed after
// the DOM layer's own per-thread state is gone at process exit.
RepositoryState& State() {
  static RepositoryState* state = new RepositoryState;
  return *state;
}

bool HasXmlExtension(const fs::path& file) {
  const std::string ext = file.extension().string();
  return CString(ext.c_str()).CompareNoCase(".xml") == 0;
}

bool IsXmlFile(const fs::directory_entry& entry) {
  std::error_code ec;
  // Regular files only: a pipe or device named *.xml must not block a read.
  return entry.is_regular_file(ec) && !ec && HasXmlExtension(entry.path());
}

// True when `p` (canonical) is the root or lies below it.
bool IsInsideRoot(const fs::path& p) {
  const fs::path rel = p.lexically_relative(State().root);
  return !rel.empty() && *rel.begin() != "..";
}

// Splits "$/A/B/Name" into the folder names {A, B} and the object name.
// Rejects texts that are not repository paths and any empty, "." or ".."
// segment: an empty segment would make the rest an absolute path, and dot
// segments could climb out of the repository folder. Both separators are
// accepted, as paths written on Windows use the backslash.
bool SplitPath(const char* text, std::vector<std::string>& folders, std::string& name) {
  if (!CRepository::IsRepositoryPath(text)) return false;
  folders.clear();
  const std::string rest(text + 2);
  std::vector<std::string> segments;
  size_t start = 0;
  while (true) {
    const size_t sep = rest.find_first_of("/\\", start);
    const std::string segment = rest.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
    if (segment.empty() || segment == "." || segment == "..") return false;
    segments.push_back(segment);
    if (sep == std::string::npos) break;
    start = sep + 1;
  }
  name = segments.back();
  segments.pop_back();
  folders = std::move(segments);
  return true;
}

const LoadedFile& Load(const fs::path& file) {
  RepositoryState& state = State();
  const std::string key = file.string();
  auto it = state.files.find(key);
  if (it != state.files.end()) return it->second;
  LoadedFile loaded;
  IXMLDOMDocumentPtr doc;
  if (doc.load(key.c_str())) {
    loaded.doc = doc;
    state.owners.emplace(doc, file);
  } else {
    const XmlParseError& error = doc.parseError();
    loaded.error.Format("%s (line %d, column %d)", error.reason.GetString(), error.line, error.linepos);
  }
  return state.files.emplace(key, std::move(loaded)).first->second;
}

HRESULT ReportMalformed(const fs::path& file, const LoadedFile& loaded) {
  SetErrorInfo(GetMsg(B30E_XML_MALFORMED) + ": " + loaded.error, file.string().c_str());
  return B30E_XML_MALFORMED;
}

// The .xml files directly in `folder` (canonical), sorted by file name.
const std::vector<fs::path>& FolderFiles(const fs::path& folder) {
  RepositoryState& state = State();
  const std::string key = folder.string();
  auto it = state.folders.find(key);
  if (it != state.folders.end()) return it->second;
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator entries(folder, ec), end; !ec && entries != end; entries.increment(ec)) {
    if (IsXmlFile(*entries)) files.push_back(entries->path());
  }
  std::sort(files.begin(), files.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
  return state.folders.emplace(key, std::move(files)).first->second;
}

// Every .xml file of the repository, sorted by path. Folder links are not
// followed, so the walk neither leaves the repository nor loops.
const std::vector<fs::path>& AllFiles() {
  RepositoryState& state = State();
  if (state.allListed) return state.allFiles;
  std::error_code ec;
  for (fs::recursive_directory_iterator entries(state.root, fs::directory_options::skip_permission_denied, ec), end;
       !ec && entries != end; entries.increment(ec)) {
    if (IsXmlFile(*entries)) state.allFiles.push_back(entries->path());
  }
  std::sort(state.allFiles.begin(), state.allFiles.end());
  state.allListed = true;
  return state.allFiles;
}

// The object `name` of one document: its document element when so named,
// else the first direct child element so named.
IXMLDOMElementPtr FindObjectInDocument(const IXMLDOMDocumentPtr& doc, const std::string& name) {
  IXMLDOMElementPtr root = doc.documentElement();
  if (!root) return nullptr;
  if (root.getAttribute("Name") == name.c_str()) return root;
  for (IXMLDOMNodePtr child = root.firstChild(); child; child = child.nextSibling()) {
    IXMLDOMElementPtr element(child);
    if (element && element.getAttribute("Name") == name.c_str()) return element;
  }
  return nullptr;
}

// The element whose name a path gives for `node`: the direct child of the
// document element that holds the node, when it is named, else the document
// element (for a node cut out of the tree, its topmost ancestor). This is
// the element that the path finds again, barring an earlier file of the
// folder holding an object of the same name.
IXMLDOMElementPtr ObjectElementOf(const IXMLDOMNodePtr& node) {
  IXMLDOMElementPtr top;
  IXMLDOMElementPtr belowTop;
  for (IXMLDOMNodePtr n = node; n; n = n.parentNode()) {
    IXMLDOMElementPtr element(n);
    if (!element) break;  // the document node
    belowTop = top;
    top = element;
  }
  // `top` is now the outermost element, `belowTop` its child on the way.
  if (belowTop && !belowTop.getAttribute("Name").IsEmpty()) return belowTop;
  return top;
}

}  // namespace

HRESULT CRepository::Open(const char* dir) {
  if (dir == nullptr || *dir == '\0') return E_INVALIDARG;
  std::error_code ec;
  if (!fs::is_directory(dir, ec) || ec) return E_INVALIDARG;
  const fs::path root = fs::canonical(dir, ec);
  if (ec) return E_INVALIDARG;
  Close();
  State().root = root;
  State().open = true;
  return S_OK;
}

void CRepository::Close() {
  RepositoryState& state = State();
  state.open = false;
  state.root.clear();
  state.files.clear();
  state.owners.clear();
  state.folders.clear();
  state.allFiles.clear();
  state.allListed = false;
}

bool CRepository::IsOpen() { return State().open; }

CString CRepository::GetRoot() { return IsOpen() ? CString(State().root.string()) : CString(); }

bool CRepository::IsRepositoryPath(const char* text) {
  return text != nullptr && (text[0] == '$' || text[0] == '#') && text[1] == '/';
}

HRESULT CRepository::FindByPath(const char* path, IXMLDOMElementPtr& element) {
  element = nullptr;
  if (!IsOpen()) return TRLE_NO_REPOSITORY;
  std::vector<std::string> folderNames;
  std::string name;
  if (!SplitPath(path, folderNames, name)) return TRLE_PATH_NOT_FOUND;

  fs::path folder = State().root;
  for (const std::string& segment : folderNames) folder /= segment;
  std::error_code ec;
  if (!fs::is_directory(folder, ec) || ec) return TRLE_PATH_NOT_FOUND;
  // A folder inside the repository may be a link to somewhere else.
  folder = fs::canonical(folder, ec);
  if (ec || !IsInsideRoot(folder)) return TRLE_PATH_NOT_FOUND;

  for (const fs::path& file : FolderFiles(folder)) {
    const LoadedFile& loaded = Load(file);
    // An unreadable file may hold the object ahead of any later file, so the
    // first match cannot be told: report the file rather than guess.
    if (!loaded.doc) return ReportMalformed(file, loaded);
    IXMLDOMElementPtr found = FindObjectInDocument(loaded.doc, name);
    if (found) {
      element = found;
      return S_OK;
    }
  }
  return TRLE_PATH_NOT_FOUND;
}

HRESULT CRepository::FindByGUID(const char* guid, IXMLDOMElementPtr& element) {
  element = nullptr;
  if (!IsOpen()) return TRLE_NO_REPOSITORY;
  if (guid == nullptr || *guid == '\0') return TRLE_REFERENCE_UNRESOLVED;
  const fs::path* unreadable = nullptr;
  for (const fs::path& file : AllFiles()) {
    const LoadedFile& loaded = Load(file);
    if (!loaded.doc) {
      if (unreadable == nullptr) unreadable = &file;
      continue;
    }
    IXMLDOMElementPtr found = loaded.doc.findElementByAttribute("GUID", guid);
    if (found) {
      element = found;
      return S_OK;
    }
  }
  // A GUID names one object, so a match anywhere settles it; without one, an
  // unreadable file may be where the object is.
  if (unreadable != nullptr) return ReportMalformed(*unreadable, Load(*unreadable));
  return TRLE_REFERENCE_UNRESOLVED;
}

bool CRepository::Contains(const IXMLDOMNodePtr& node, CString* path) {
  if (!node || !IsOpen()) return false;
  IXMLDOMDocumentPtr doc(node);
  if (!doc) doc = node.ownerDocument();
  if (!doc) return false;
  const RepositoryState& state = State();
  auto it = state.owners.find(doc);
  if (it == state.owners.end()) return false;
  if (path == nullptr) return true;

  const fs::path& file = it->second;
  IXMLDOMElementPtr object = IXMLDOMDocumentPtr(node) ? doc.documentElement() : ObjectElementOf(node);
  CString name = object ? object.getAttribute("Name") : CString();
  // A file whose objects carry no name is still identified by its file.
  if (name.IsEmpty()) name = file.stem().string();
  const fs::path folder = file.parent_path().lexically_relative(state.root);
  CString text("$/");
  if (!folder.empty() && folder != ".") text += folder.generic_string() + "/";
  text += name;
  *path = text;
  return true;
}
