#pragma once
// Where the program keeps and finds its files. Every folder is returned with a trailing '/'.
#include <string>

namespace ferrow {

// $XDG_DATA_HOME (when absolute), else ~/.local/share; created when missing.
std::wstring GetDataFolder();
// The data folder followed by "Brennick/Ferrow/".
std::wstring GetAppDataFolder();
// The same two paths, only computed: nothing is created (for readers that must leave no trace).
std::wstring GetDataFolderPath();
std::wstring GetAppDataFolderPath();
// Full path of the running program file.
std::wstring GetProgramPath();
// The folder holding language and sound files: $FERROW_PROGRAM_DIR when set; else the folder of
// the running program when it has a "Languages" folder beside it; else the installed share
// folder (<prefix>/share/ferrow/ next to the program's bin folder, /usr/local/share/ferrow/,
// /usr/share/ferrow/); else the folder of the running program.
std::wstring GetProgramFolder();
// The user's download folder: $XDG_DOWNLOAD_DIR, else XDG_DOWNLOAD_DIR in
// $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Downloads/.
std::wstring GetDownloadFolder();

// Creates every missing folder along the path, from the top. An empty path or one without any
// separator fails; the first creation that fails ends with failure (a file in the way too).
bool CreateFolderChain(const std::wstring& path);

}  // namespace ferrow
