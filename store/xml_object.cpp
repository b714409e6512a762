#include "store/xml_object.h"

#include <exception>
#include <string>

#include "store/xml_line_reader.h"
#include "store/xml_node.h"

namespace ferrow {
namespace {

const wchar_t kRootName[] = L"Root";

}  // namespace

bool CXmlObject::Load(const std::filesystem::path& path) {
  return LoadDetailed(path) == XmlLoadStatus::kLoaded;
}

XmlLoadStatus CXmlObject::LoadDetailed(const std::filesystem::path& path) {
  try {
    std::string bytes;
    ErrorValue error = 0;
    switch (ReadWholeFile(path, bytes, kMaxFileSize, &error)) {
      case ReadFileResult::kRead:
        break;
      case ReadFileResult::kNotFound:
        m_lastError = error;
        return XmlLoadStatus::kNoFile;
      case ReadFileResult::kFailed:
        m_lastError = error;
        return XmlLoadStatus::kUnreadable;
    }

    // The whole tree is built before Exchange sees it, so a bad file changes nothing.
    CXmlNode root(kRootName);
    CXmlLineReader reader(bytes);
    if (root.Read(reader) != CXmlNode::ReadResult::kClosed) {
      m_lastError = MakeError(kCategorySystem, SystemCode::kReadFault);
      return XmlLoadStatus::kMalformed;
    }
    Exchange(false, root);
    m_lastError = 0;
    return XmlLoadStatus::kLoaded;
  } catch (const std::exception&) {
    m_lastError = MakeError(kCategorySystem, SystemCode::kNotEnoughMemory);
    return XmlLoadStatus::kUnreadable;
  }
}

bool CXmlObject::Save(const std::filesystem::path& path) {
  try {
    CXmlNode root(kRootName);
    Exchange(true, root);
    std::string bytes;
    if (!root.Write(bytes, 0)) {
      // A character the stored encoding cannot hold: refuse rather than store a changed text.
      m_lastError = MakeError(kCategorySystem, SystemCode::kInvalidParameter);
      return false;
    }
    ErrorValue error = 0;
    if (!WriteFileAtomically(path, bytes, GetFileAccess(), &error)) {
      m_lastError = error;
      return false;
    }
    m_lastError = 0;
    return true;
  } catch (const std::exception&) {
    m_lastError = MakeError(kCategorySystem, SystemCode::kNotEnoughMemory);
    return false;
  }
}

}  // namespace ferrow
