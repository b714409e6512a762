#pragma once
// The sound file of each event (one of the settings): event number -> path. Paths are kept as
// given; relative ones are resolved by the sound player against the program folder.
#include <cstdint>
#include <map>
#include <string>

#include "store/xml_object.h"

namespace ferrow {

class CSoundList : public CXmlObject {
 public:
  // Stores one "Sound" per entry with "Event" and "File"; loading empties the map first and
  // lets every "Sound" child set the entry of its event.
  void Exchange(bool store, CXmlNode& node) override;

  // The file of an event; asking for an event without an entry adds an empty one.
  std::wstring& operator[](uint32_t event) { return m_files[event]; }
  // False (and file untouched) when the event has no entry.
  bool Lookup(uint32_t event, std::wstring& file) const;
  void SetAt(uint32_t event, const std::wstring& file) { m_files[event] = file; }
  void RemoveAll() { m_files.clear(); }
  size_t GetCount() const { return m_files.size(); }
  const std::map<uint32_t, std::wstring>& GetFiles() const { return m_files; }

  // The nine default sounds, events 0 to 8.
  void SetDefaults();

 private:
  std::map<uint32_t, std::wstring> m_files;
};

}  // namespace ferrow
