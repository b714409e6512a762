#pragma once
// The commands of the main window, its tool bar and its pop-up menus, by the identifiers the
// language files name them with.
#include <cstdint>

namespace ferrow {

enum class Command : uint32_t {
  kDownload = 100,
  kImport = 101,
  kExport = 102,
  kSettings = 103,
  kExit = 104,
  kRestore = 105,
  kIntegration = 106,
  kCopyUrl = 200,
  kDelete = 201,
  kDeleteAll = 202,
  kRename = 203,
  kNewFolder = 204,
  kNewSite = 205,
  kSwitchBar = 300,
  kProperties = 301,
  kShowDownloads = 302,
  kShowFolders = 303,
  kShowHistory = 304,
  kShowExplorer = 305,
  kStart = 400,
  kStop = 401,
  kQueue = 402,
  kMoveUp = 403,
  kMoveDown = 404,
  kOpen = 405,
  kOpenFolder = 406,
  kConnect = 500,
  kDisconnect = 501,
  kRefresh = 502,
  kOpenSite = 503,
  kRemoteDownload = 504,
  kHelpContents = 600,
  kHomepage = 603,
  kSupport = 604,
  kAbout = 605,
  kLogClear = 700,
  kLogCopy = 701,
  kLogCopyAll = 702,
  kSelectAll = 57642,
  kToolBar = 59392,
  kStatusBar = 59393,
};

// What a view does with the commands that act on its items (copy, delete, properties, the
// download commands, ...). The main window asks the view that has the focus.
class ICommandTarget {
 public:
  virtual ~ICommandTarget() = default;
  // Whether the view has the command at all; the main window disables it otherwise.
  virtual bool HandlesCommand(Command command) const = 0;
  virtual bool IsCommandEnabled(Command command) const = 0;
  virtual void ExecuteCommand(Command command) = 0;
  virtual bool IsCommandChecked(Command command) const {
    (void)command;
    return false;
  }
};

}  // namespace ferrow
