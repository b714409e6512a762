#pragma once
// Starting the program when the user logs on, as an XDG autostart entry: the file
// $XDG_CONFIG_HOME/autostart/<program file name>.desktop (default ~/.config/autostart/) whose
// command is the program's full path followed by " /silent".
#include <string>

namespace ferrow {

// The entry file for the program at that full path.
std::wstring AutostartEntryPath(const std::wstring& programPath);
// Writes (or rewrites) the entry. False when it cannot be written.
bool WriteAutostartEntry(const std::wstring& programPath);
// Deletes the entry; true when none is left.
bool DeleteAutostartEntry(const std::wstring& programPath);
// The command line of an existing entry, empty when there is none.
std::wstring ReadAutostartCommand(const std::wstring& programPath);

}  // namespace ferrow
