#pragma once
// The program's icons: the desktop's icon theme where it has one, else our own pictures
// (scripts/make-icons, compiled in as resources).
#include <QIcon>

namespace ferrow {

enum class IconId {
  kApp,
  kAppBusy,
  kDownload,
  kImport,
  kExport,
  kSettings,
  kExit,
  kCopy,
  kDelete,
  kRename,
  kProperties,
  kStart,
  kStop,
  kQueue,
  kUp,
  kDown,
  kOpen,
  kOpenFolder,
  kFolder,
  kNewFolder,
  kFile,
  kSite,
  kNewSite,
  kOpenSite,
  kConnect,
  kDisconnect,
  kRefresh,
  kHelp,
  kAbout,
  kHome,
  kMail,
  kHistory,
  kExplorer,
  kIntegration,
  kClear,
  kStatusQueued,
  kStatusRunning,
  kStatusStopped,
  kStatusCompleted,
  kNone,
};

QIcon Icon(IconId id);
// The icon of a download status row (CDownloadInfo::StatusIcon); none for -1.
QIcon StatusIcon(int index);

}  // namespace ferrow
