#pragma once
// Numbers of the language files' messages that the program uses. Every shipped language file
// holds each of them (the language-file tests check UsedMessageNumbers()).
#include <cstdint>
#include <vector>

namespace ferrow::Msg {

constexpr uint32_t kFolderPrograms = 1101;  // names of the default sub-folders
constexpr uint32_t kFolderArchives = 1102;
constexpr uint32_t kFolderMusic = 1103;
constexpr uint32_t kFolderVideo = 1104;
constexpr uint32_t kSitesRoot = 1300;
constexpr uint32_t kNewSiteName = 1301;
constexpr uint32_t kTrayTip = 1614;
constexpr uint32_t kTrayTipBusy = 1701;      // running, listed, speed
constexpr uint32_t kStatusDownloads = 1702;  // running, listed
constexpr uint32_t kStatusSpeed = 1703;      // speed
constexpr uint32_t kAdBar = 1709;
constexpr uint32_t kImportFilter = 2103;
constexpr uint32_t kLanguageNextStart = 2200;
constexpr uint32_t kAskNewVersion = 2202;
constexpr uint32_t kAskDeleteSites = 2203;
constexpr uint32_t kAskExitRunning = 2204;
constexpr uint32_t kAskAddAgain = 2206;         // URL
constexpr uint32_t kValueOutOfRange = 2306;     // lower and upper bound
constexpr uint32_t kStatusFirst = 2500;         // + download status 0..7
constexpr uint32_t kEntryTypeFirst = 2600;      // + entry type 0..3
constexpr uint32_t kSeconds = 2706;             // under a minute
constexpr uint32_t kMinutesSeconds = 2707;      // under an hour
constexpr uint32_t kHoursMinutes = 2708;        // under a day
constexpr uint32_t kHours = 2709;               // a day or more
constexpr uint32_t kCannotCreateFolder = 3000;  // folder
constexpr uint32_t kScannerFailed = 3001;       // program, system text
constexpr uint32_t kCannotOpenFile = 3002;      // file
constexpr uint32_t kCannotSaveFile = 3003;      // file
constexpr uint32_t kDataFileSetAside = 3004;    // file, name it was kept under
constexpr uint32_t kHelpFailed = 3005;
constexpr uint32_t kPluginFailed = 3006;  // library path
constexpr uint32_t kUnknownError = 11000;

// First message numbers of the error-code ranges (see CResourceManager::ErrorText).
constexpr uint32_t kSystemErrorBase = 4000;    // + system error code
constexpr uint32_t kSocketErrorOffset = 4000;  // socket error code - 4000
constexpr uint32_t kFtpReplyBase = 8000;
constexpr uint32_t kHttpStatusBase = 9000;
constexpr uint32_t kSocksErrorBase = 10000;

// The system error codes the start-up reports: the private folder for the lock and the socket
// between instances cannot be used, the shared URL block cannot be made, no language file loads.
constexpr uint16_t kInstanceChannelFailedCode = 12;
constexpr uint16_t kUrlBlockFailedCode = 14;
constexpr uint16_t kLanguageLoadFailedCode = 1815;

// Every number above, each error code the program can produce in its message form, and the FTP
// and HTTP replies in common use.
std::vector<uint32_t> UsedMessageNumbers();

}  // namespace ferrow::Msg
