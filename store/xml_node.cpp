#include "store/xml_node.h"

#include <iterator>

#include "store/xml_line_reader.h"
#include "store/xml_object.h"

namespace ferrow {
namespace {

// Text mode on disk: one byte per character, CR LF for every line feed.
bool AppendStored(std::string& out, std::wstring_view text) {
  for (wchar_t c : text) {
    if (c == L'\n') {
      out += "\r\n";
    } else if (static_cast<uint32_t>(c) > 0xFF) {
      return false;
    } else {
      out += static_cast<char>(static_cast<unsigned char>(c));
    }
  }
  return true;
}

// A leaf must stay on its line: a line break inside the text would turn the leaf into an
// unclosed element that swallows the rest of the file. Each break becomes one space.
std::wstring OneLine(const std::wstring& text) {
  if (text.find(L'\n') == std::wstring::npos) return text;
  std::wstring line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    line += text[i] == L'\n' ? L' ' : text[i];
  }
  return line;
}

std::wstring_view TrimBlanks(std::wstring_view line) {
  while (!line.empty() && (line.front() == L' ' || line.front() == L'\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == L' ' || line.back() == L'\t')) line.remove_suffix(1);
  return line;
}

}  // namespace

CXmlNode::CXmlNode(std::wstring name) : m_value(std::move(name), std::wstring()) {}

CXmlNode& CXmlNode::AddChild(const std::wstring& name) {
  return m_children.emplace_back(name);
}

CXmlNode& CXmlNode::AddChild(const std::wstring& name, const std::wstring& value) {
  CXmlNode& child = AddChild(name);
  child.SetText(value);
  return child;
}

CXmlNode& CXmlNode::AddChild(const std::wstring& name, const wchar_t* value) {
  return AddChild(name, std::wstring(value ? value : L""));
}

CXmlNode& CXmlNode::AddChild(const std::wstring& name, int32_t value) {
  return AddChild(name, CXmlValue::FromInt(value));
}

CXmlNode& CXmlNode::AddChild(const std::wstring& name, uint64_t value) {
  return AddChild(name, CXmlValue::FromUInt64(value));
}

CXmlNode& CXmlNode::AddChild(const std::wstring& name, bool value) {
  return AddChild(name, CXmlValue::FromBool(value));
}

CXmlNode& CXmlNode::AddChild(const std::wstring& name, const Guid& value) {
  return AddChild(name, value.ToString());
}

CXmlNode& CXmlNode::AddChild(const std::wstring& name, CXmlObject& object) {
  CXmlNode& child = AddChild(name);
  object.Exchange(true, child);
  return child;
}

const CXmlNode* CXmlNode::FindChild(const std::wstring& name) const {
  for (const CXmlNode& child : m_children)
    if (child.GetName() == name) return &child;
  return nullptr;
}

bool CXmlNode::GetChild(const std::wstring& name, std::wstring& value) const {
  const CXmlNode* child = FindChild(name);
  if (!child) return false;
  value = child->GetText();
  return true;
}

bool CXmlNode::GetChild(const std::wstring& name, int32_t& value) const {
  const CXmlNode* child = FindChild(name);
  if (!child) return false;
  value = CXmlValue::ToInt(child->GetText());
  return true;
}

bool CXmlNode::GetChild(const std::wstring& name, uint64_t& value) const {
  const CXmlNode* child = FindChild(name);
  if (!child) return false;
  value = CXmlValue::ToUInt64(child->GetText());
  return true;
}

bool CXmlNode::GetChild(const std::wstring& name, bool& value) const {
  const CXmlNode* child = FindChild(name);
  if (!child) return false;
  value = CXmlValue::ToBool(child->GetText());
  return true;
}

bool CXmlNode::GetChild(const std::wstring& name, Guid& value) const {
  const CXmlNode* child = FindChild(name);
  return child && Guid::Parse(child->GetText(), value);
}

bool CXmlNode::GetChild(const std::wstring& name, CXmlObject& object) const {
  const CXmlNode* child = FindChild(name);
  if (!child) return false;
  object.Exchange(false, const_cast<CXmlNode&>(*child));
  return true;
}

bool CXmlNode::GetChildAt(size_t index, CXmlObject& object) const {
  if (index >= m_children.size()) return false;
  auto child = m_children.begin();
  std::advance(child, static_cast<std::ptrdiff_t>(index));
  object.Exchange(false, const_cast<CXmlNode&>(*child));
  return true;
}

void CXmlNode::AddAttribute(const std::wstring& name, const Guid& value) {
  m_attributes.emplace_back(name, value);
}

void CXmlNode::AddAttribute(CXmlValue attribute) {
  m_attributes.push_back(std::move(attribute));
}

bool CXmlNode::GetAttribute(const std::wstring& name, Guid& value) const {
  for (const CXmlValue& attribute : m_attributes)
    if (attribute.GetName() == name) return attribute.GetGuid(value);
  return false;
}

bool CXmlNode::Write(std::string& out, int depth) const {
  const std::string indent(static_cast<size_t>(depth) * 4, ' ');
  out += indent;
  out += '<';
  if (!AppendStored(out, GetName())) return false;
  if (!m_attributes.empty()) {
    for (const CXmlValue& attribute : m_attributes) {
      out += ' ';
      if (!AppendStored(out, attribute.Format())) return false;
    }
  }
  if (!m_children.empty()) {
    out += ">\r\n";
    for (const CXmlNode& child : m_children)
      if (!child.Write(out, depth + 1)) return false;
    out += indent;
  } else {
    out += '>';
    if (!AppendStored(out, OneLine(GetText()))) return false;
  }
  out += "</";
  if (!AppendStored(out, GetName())) return false;
  out += ">\r\n";
  return true;
}

CXmlNode::ReadResult CXmlNode::Read(CXmlLineReader& reader) {
  return ReadBody(reader, 0);
}

CXmlNode::ReadResult CXmlNode::ReadBody(CXmlLineReader& reader, int depth) {
  const std::wstring ownClose = L"</" + GetName() + L">";
  // The root is read from its own opening line on; a child's opening line was read by its
  // parent, so inside it a line of the same name is a child like any other (a file entry's
  // empty "File" leaf must not end the entry).
  bool opened = depth > 0;
  std::wstring buffer;
  while (reader.ReadLine(buffer)) {
    const std::wstring_view line = TrimBlanks(buffer);
    if (line.starts_with(ownClose)) return ReadResult::kClosed;
    if (line.empty() || line.front() != L'<') continue;
    const size_t stop = line.find_first_of(L" >");
    if (stop == std::wstring_view::npos || stop <= 1) continue;  // no tag name
    const std::wstring tag(line.substr(1, stop - 1));

    const std::wstring close = L"</" + tag + L">";
    const size_t closeAt = line.find(close, stop);
    if (closeAt != std::wstring_view::npos) {
      if (!opened && tag == GetName()) {
        // This element opened and closed on one line, perhaps with attributes (an object that
        // stores nothing else).
        const size_t attributesEnd = line.find(L'>', stop);
        if (attributesEnd + 1 == closeAt) {
          ParseAttributes(line.substr(stop, attributesEnd - stop));
          return ReadResult::kClosed;
        }
      }
      const std::wstring_view text = line.substr(stop + 1, closeAt - stop - 1);
      if (!text.empty()) AddChild(tag, std::wstring(text));
      continue;
    }

    const size_t attributesEnd = line.find(L'>', stop);
    const std::wstring_view attributes =
        line.substr(stop, attributesEnd == std::wstring_view::npos ? std::wstring_view::npos
                                                                   : attributesEnd - stop);
    if (!opened && tag == GetName()) {
      ParseAttributes(attributes);
      opened = true;
      continue;
    }
    if (depth + 1 > kMaxDepth) return ReadResult::kTooDeep;
    // The attributes are parsed after the subtree, so keep them and let the line go: a deep
    // hostile file must not hold one long line per level.
    const std::wstring attributeText(attributes);
    buffer = std::wstring();
    CXmlNode child(tag);
    const ReadResult result = child.ReadBody(reader, depth + 1);
    if (result == ReadResult::kTooDeep) return result;
    child.ParseAttributes(attributeText);
    m_children.push_back(std::move(child));
  }
  return ReadResult::kEnded;
}

void CXmlNode::ParseAttributes(std::wstring_view text) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L' ', start);
    if (end == std::wstring_view::npos) end = text.size();
    CXmlValue attribute;
    if (end > start && CXmlValue::Parse(text.substr(start, end - start), attribute))
      m_attributes.push_back(std::move(attribute));
    start = end + 1;
  }
}

}  // namespace ferrow
