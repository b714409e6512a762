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

// The windowed program's own texts.
constexpr uint32_t kColumnName = 1400;  // list column headers
constexpr uint32_t kColumnSize = 1401;
constexpr uint32_t kColumnDone = 1402;
constexpr uint32_t kColumnProgress = 1403;
constexpr uint32_t kColumnSpeed = 1404;
constexpr uint32_t kColumnLeft = 1405;
constexpr uint32_t kColumnStatus = 1406;
constexpr uint32_t kColumnConnections = 1407;
constexpr uint32_t kColumnUrl = 1408;
constexpr uint32_t kColumnFolder = 1409;
constexpr uint32_t kColumnElapsed = 1410;
constexpr uint32_t kColumnComment = 1411;
constexpr uint32_t kColumnDate = 1412;
constexpr uint32_t kColumnType = 1413;
constexpr uint32_t kColumnFile = 1414;
constexpr uint32_t kColumnMessage = 1415;
constexpr uint32_t kColumnServer = 1416;
constexpr uint32_t kColumnUser = 1417;
constexpr uint32_t kColumnLast = kColumnUser;
constexpr uint32_t kPeriodFirst = 1420;  // + HistoryPeriod: all, today, yesterday, ...
constexpr uint32_t kPeriodLast = 1425;
constexpr uint32_t kPaneDownloads = 1430;  // switch bar
constexpr uint32_t kPaneFolders = 1431;
constexpr uint32_t kPaneHistory = 1432;
constexpr uint32_t kPaneExplorer = 1433;
constexpr uint32_t kFolderRoot = 1434;  // the folder tree's root
constexpr uint32_t kNewFolderName = 1435;
constexpr uint32_t kLogConnecting = 1500;  // host, port
constexpr uint32_t kLogStopped = 1501;
constexpr uint32_t kLogFailed = 1502;       // error text
constexpr uint32_t kIndicatorClose = 1704;  // status bar: what happens after the downloads
constexpr uint32_t kIndicatorHangup = 1705;
constexpr uint32_t kIndicatorShutdown = 1706;
constexpr uint32_t kConnectionUp = 1710;
constexpr uint32_t kConnectionDown = 1711;
constexpr uint32_t kAskDeleteDownloads = 2205;
constexpr uint32_t kAskDeleteFolders = 2207;
constexpr uint32_t kAskDeleteHistory = 2208;
constexpr uint32_t kAskDeleteFiles = 2209;
constexpr uint32_t kBadFileName = 2210;
constexpr uint32_t kBadUrl = 2211;
constexpr uint32_t kBadFolderName = 2212;

// First message numbers of the error-code ranges (see CResourceManager::ErrorText).
constexpr uint32_t kSystemErrorBase = 4000;    // + system error code
constexpr uint32_t kSocketErrorOffset = 4000;  // socket error code - 4000
constexpr uint32_t kFtpReplyBase = 8000;
constexpr uint32_t kHttpStatusBase = 9000;
constexpr uint32_t kSocksErrorBase = 10000;
constexpr uint32_t kTlsErrorBase = 13000;

// The system error codes the start-up reports: the private folder for the lock and the socket
// between instances cannot be used, the shared URL block cannot be made, no language file loads.
constexpr uint16_t kInstanceChannelFailedCode = 12;
constexpr uint16_t kUrlBlockFailedCode = 14;
constexpr uint16_t kLanguageLoadFailedCode = 1815;

// Every number above, each error code the program can produce in its message form, and the FTP
// and HTTP replies in common use.
std::vector<uint32_t> UsedMessageNumbers();

}  // namespace ferrow::Msg
