#pragma once
// A small file-backed registry. Each hive is one text file in the registry folder:
// $FERROW_REGISTRY_DIR when set, else $XDG_CONFIG_HOME/Brennick/Ferrow/registry (default
// ~/.config/...). Key paths and value names compare without regard to case, as the Windows
// registry does, and keep the spelling of their first writer. Values carry a type and raw bytes
// like registry data (strings as UTF-16LE with their terminating zero).
//
// Several processes may use a hive at once: every change takes an exclusive lock on the hive's
// lock file, re-reads the hive, applies the change and replaces the file by renaming a fully
// written temporary file over it. Readers take no lock; they see the old or the new hive, never a
// half-written one.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ferrow {

// kClassesRoot stands in for the Windows classes root (COM class and ProgID registrations).
enum class RegistryHive { kCurrentUser, kLocalMachine, kClassesRoot };

// The Windows type numbers, so that the stored form stays meaningful to anyone who knows them.
enum class RegistryType : uint32_t { kNone = 0, kString = 1, kBinary = 3, kDword = 4 };

struct RegistryValue {
  RegistryType type = RegistryType::kNone;
  std::string data;  // raw bytes
};

// A value name; std::nullopt addresses the key's default value.
using RegistryName = std::optional<std::wstring>;

// The folder that holds the hive files (not created).
std::filesystem::path RegistryFolder();
std::filesystem::path RegistryHivePath(RegistryHive hive);

bool RegistryKeyExists(RegistryHive hive, const std::wstring& key);
// Creates the key and every missing key above it. False when the hive cannot be written.
bool RegistryCreateKey(RegistryHive hive, const std::wstring& key);
bool RegistryReadValue(RegistryHive hive, const std::wstring& key, const RegistryName& name,
                       RegistryValue& out);
// Creates the key when missing, then sets the value.
bool RegistryWriteValue(RegistryHive hive, const std::wstring& key, const RegistryName& name,
                        const RegistryValue& value);
// False when the value did not exist or the hive cannot be written.
bool RegistryDeleteValue(RegistryHive hive, const std::wstring& key, const RegistryName& name);
// Deletes the key, every key below it and all their values. False when the key did not exist
// or the hive cannot be written. The hive's root (an empty path) cannot be deleted.
bool RegistryDeleteKey(RegistryHive hive, const std::wstring& key);
// Names of the values of a key, in stored order (the default value is left out).
std::vector<std::wstring> RegistryValueNames(RegistryHive hive, const std::wstring& key);

// Case folding used for key and value names.
std::wstring RegistryFoldName(const std::wstring& name);

}  // namespace ferrow
