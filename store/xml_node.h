#pragma once
// One element of a stored tree: a name, either text or child elements, and attributes.
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "store/xml_value.h"

namespace ferrow {

class CXmlObject;
class CXmlLineReader;

class CXmlNode {
 public:
  explicit CXmlNode(std::wstring name = std::wstring());

  const std::wstring& GetName() const { return m_value.GetName(); }
  const std::wstring& GetText() const { return m_value.GetString(); }
  void SetText(std::wstring text) { m_value.SetString(std::move(text)); }

  CXmlNode& AddChild(const std::wstring& name);
  CXmlNode& AddChild(const std::wstring& name, const std::wstring& value);
  CXmlNode& AddChild(const std::wstring& name, const wchar_t* value);
  CXmlNode& AddChild(const std::wstring& name, int32_t value);
  CXmlNode& AddChild(const std::wstring& name, uint64_t value);
  CXmlNode& AddChild(const std::wstring& name, bool value);
  CXmlNode& AddChild(const std::wstring& name, const Guid& value);
  // Appends an empty child and lets the object store itself into it.
  CXmlNode& AddChild(const std::wstring& name, CXmlObject& object);

  // The first child of exactly that name, converted into value; value is untouched when there
  // is none (or, for a GUID, when its text is not one).
  bool GetChild(const std::wstring& name, std::wstring& value) const;
  bool GetChild(const std::wstring& name, int32_t& value) const;
  bool GetChild(const std::wstring& name, uint64_t& value) const;
  bool GetChild(const std::wstring& name, bool& value) const;
  bool GetChild(const std::wstring& name, Guid& value) const;
  bool GetChild(const std::wstring& name, CXmlObject& object) const;

  // Stores the value as a child or loads it back, so a record lists its fields once for both
  // directions and the stored order cannot drift between them.
  template <class T>
  void ExchangeChild(bool store, const std::wstring& name, T& value) {
    if (store) {
      AddChild(name, value);
    } else {
      GetChild(name, value);
    }
  }

  size_t GetChildCount() const { return m_children.size(); }
  // Loads the object from the child at that position, whatever its name. Walks the children
  // from the head on every call: loading a list is quadratic, fine for hundreds of records.
  bool GetChildAt(size_t index, CXmlObject& object) const;
  const std::list<CXmlNode>& GetChildren() const { return m_children; }
  const CXmlNode* FindChild(const std::wstring& name) const;

  void AddAttribute(const std::wstring& name, const Guid& value);
  void AddAttribute(CXmlValue attribute);
  bool GetAttribute(const std::wstring& name, Guid& value) const;
  void ExchangeAttribute(bool store, const std::wstring& name, Guid& value) {
    if (store) {
      AddAttribute(name, value);
    } else {
      GetAttribute(name, value);
    }
  }
  const std::vector<CXmlValue>& GetAttributes() const { return m_attributes; }

  // Appends the element and its subtree in the stored form: ISO 8859-1 bytes, four spaces of
  // indent per level, lines ended by CR LF; a line break inside a leaf's text becomes a space.
  // False when a character cannot be stored as one byte (code above 255); out then holds a partial
  // text that must not be used.
  bool Write(std::string& out, int depth) const;

  enum class ReadResult {
    kClosed,   // the element's own closing line was read
    kEnded,    // the lines ran out first (the element got whatever was recognised)
    kTooDeep,  // nesting beyond kMaxDepth: the input is not one of ours
  };
  // Reads lines into this element until its own closing line.
  ReadResult Read(CXmlLineReader& reader);

  // Deeper nesting than any stored record needs; bounds recursion on hostile input.
  static constexpr int kMaxDepth = 512;

 private:
  ReadResult ReadBody(CXmlLineReader& reader, int depth);
  void ParseAttributes(std::wstring_view text);

  CXmlValue m_value;
  std::vector<CXmlValue> m_attributes;
  std::list<CXmlNode> m_children;
};

}  // namespace ferrow
