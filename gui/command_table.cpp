#include "gui/command_table.h"

#include <map>
#include <string>

namespace ferrow::CommandTable {
namespace {

using K = QKeySequence;
constexpr auto kNoKey = QKeySequence::UnknownKey;

const std::vector<CommandInfo> kCommands = {
    {Command::kDownload, "&Download...\tCtrl+N", K::New, "", IconId::kDownload, false},
    {Command::kImport, "&Import...", kNoKey, "", IconId::kImport, false},
    {Command::kExport, "&Export...", kNoKey, "", IconId::kExport, false},
    {Command::kSettings, "&Settings...\tCtrl+S", kNoKey, "Ctrl+S", IconId::kSettings, false},
    {Command::kExit, "E&xit", kNoKey, "", IconId::kExit, false},
    {Command::kRestore, "&Restore", kNoKey, "", IconId::kNone, false},
    {Command::kIntegration, "&Integration", kNoKey, "", IconId::kNone, true},
    {Command::kCopyUrl, "&Copy URL", kNoKey, "", IconId::kCopy, false},
    {Command::kDelete, "&Delete\tDel", K::Delete, "", IconId::kDelete, false},
    {Command::kDeleteAll, "Delete &All", kNoKey, "", IconId::kNone, false},
    {Command::kRename, "Rena&me\tF2", kNoKey, "F2", IconId::kRename, false},
    {Command::kNewFolder, "&New Folder...", kNoKey, "", IconId::kNewFolder, false},
    {Command::kNewSite, "&New Site...", kNoKey, "", IconId::kNewSite, false},
    {Command::kSwitchBar, "S&witch Bar", kNoKey, "", IconId::kNone, true},
    {Command::kProperties, "&Properties...\tAlt+Enter", kNoKey, "Alt+Return", IconId::kProperties,
     false},
    {Command::kShowDownloads, "&Downloads", kNoKey, "Ctrl+1", IconId::kDownload, true},
    {Command::kShowFolders, "&Folders", kNoKey, "Ctrl+2", IconId::kFolder, true},
    {Command::kShowHistory, "&History", kNoKey, "Ctrl+3", IconId::kHistory, true},
    {Command::kShowExplorer, "Site &Explorer", kNoKey, "Ctrl+4", IconId::kExplorer, true},
    {Command::kStart, "&Start", kNoKey, "", IconId::kStart, false},
    {Command::kStop, "S&top", kNoKey, "", IconId::kStop, false},
    {Command::kQueue, "&Queue", kNoKey, "", IconId::kQueue, false},
    {Command::kMoveUp, "&Move Up", kNoKey, "", IconId::kUp, false},
    {Command::kMoveDown, "Mo&ve Down", kNoKey, "", IconId::kDown, false},
    {Command::kOpen, "&Open", kNoKey, "", IconId::kOpen, false},
    {Command::kOpenFolder, "Open &Folder", kNoKey, "", IconId::kOpenFolder, false},
    {Command::kConnect, "&Connect...", kNoKey, "", IconId::kConnect, false},
    {Command::kDisconnect, "&Disconnect", kNoKey, "", IconId::kDisconnect, false},
    {Command::kRefresh, "&Refresh\tF5", K::Refresh, "", IconId::kRefresh, false},
    {Command::kOpenSite, "&Open", kNoKey, "", IconId::kOpenSite, false},
    {Command::kRemoteDownload, "&Download...", kNoKey, "", IconId::kDownload, false},
    {Command::kHelpContents, "&Contents...\tF1", K::HelpContents, "", IconId::kHelp, false},
    {Command::kHomepage, "&Homepage...", kNoKey, "", IconId::kHome, false},
    {Command::kSupport, "&Support...", kNoKey, "", IconId::kMail, false},
    {Command::kAbout, "&About Ferrow...", kNoKey, "", IconId::kAbout, false},
    {Command::kLogClear, "Cl&ear", kNoKey, "", IconId::kClear, false},
    {Command::kLogCopy, "&Copy", kNoKey, "", IconId::kCopy, false},
    {Command::kLogCopyAll, "Copy &All", kNoKey, "", IconId::kNone, false},
    {Command::kSelectAll, "Select &All\tCtrl+A", K::SelectAll, "", IconId::kNone, false},
    {Command::kToolBar, "&Toolbar", kNoKey, "", IconId::kNone, true},
    {Command::kStatusBar, "&Status Bar", kNoKey, "", IconId::kNone, true},
};

constexpr Command kSep = kSeparator;

const std::vector<PopupLayout> kMainMenu = {
    {"&File",
     {Command::kDownload, kSep, Command::kImport, Command::kExport, kSep, Command::kSettings, kSep,
      Command::kExit}},
    {"&Edit",
     {Command::kCopyUrl, kSep, Command::kNewFolder, Command::kNewSite, kSep, Command::kDelete,
      Command::kDeleteAll, Command::kRename, kSep, Command::kSelectAll, kSep,
      Command::kProperties}},
    {"&View",
     {Command::kToolBar, Command::kStatusBar, Command::kSwitchBar, kSep, Command::kShowDownloads,
      Command::kShowFolders, Command::kShowHistory, Command::kShowExplorer}},
    {"&Download",
     {Command::kStart, Command::kStop, Command::kQueue, kSep, Command::kMoveUp, Command::kMoveDown,
      kSep, Command::kOpen, Command::kOpenFolder}},
    {"&Sites",
     {Command::kConnect, Command::kDisconnect, Command::kRefresh, kSep, Command::kOpenSite,
      Command::kRemoteDownload}},
    {"&Help",
     {Command::kHelpContents, kSep, Command::kHomepage, Command::kSupport, kSep, Command::kAbout}},
};

const std::map<std::string, PopupLayout> kPopups = {
    {"PopupTray",
     {"Tray",
      {Command::kRestore, Command::kDownload, Command::kSettings, Command::kIntegration, kSep,
       Command::kExit}}},
    {"PopupDownload",
     {"Download",
      {Command::kStart, Command::kStop, Command::kQueue, Command::kMoveUp, Command::kMoveDown, kSep,
       Command::kOpen, Command::kOpenFolder, kSep, Command::kCopyUrl, Command::kDelete, kSep,
       Command::kProperties}}},
    {"PopupFile",
     {"File",
      {Command::kOpen, Command::kOpenFolder, kSep, Command::kCopyUrl, Command::kDelete, kSep,
       Command::kProperties}}},
    {"PopupRemote",
     {"Remote", {Command::kRemoteDownload, kSep, Command::kCopyUrl, kSep, Command::kProperties}}},
    {"PopupHistory",
     {"History",
      {Command::kOpen, Command::kOpenFolder, kSep, Command::kCopyUrl, Command::kDelete, kSep,
       Command::kProperties}}},
    {"PopupFolder",
     {"Folder",
      {Command::kNewFolder, kSep, Command::kDelete, Command::kDeleteAll, Command::kRename, kSep,
       Command::kProperties}}},
    {"PopupSite",
     {"Site",
      {Command::kOpenSite, Command::kNewSite, kSep, Command::kDelete, Command::kDeleteAll,
       Command::kRename, kSep, Command::kProperties}}},
    {"PopupLog", {"Log", {Command::kLogClear, kSep, Command::kLogCopy, Command::kLogCopyAll}}},
};

}  // namespace

const CommandInfo* Find(Command id) {
  for (const CommandInfo& info : kCommands)
    if (info.id == id) return &info;
  return nullptr;
}

const std::vector<CommandInfo>& All() {
  return kCommands;
}

const std::vector<PopupLayout>& MainMenu() {
  return kMainMenu;
}

const PopupLayout& PopupMenu(const char* name) {
  static const PopupLayout kEmpty{"", {}};
  auto found = kPopups.find(name);
  return found == kPopups.end() ? kEmpty : found->second;
}

QString MenuText(const QString& text) {
  QString shown = text;
  shown.remove(QChar(8));
  return shown;
}

QString PlainText(const QString& text) {
  QString plain = MenuText(text);
  const qsizetype tab = plain.indexOf(QLatin1Char('\t'));
  if (tab >= 0) plain.truncate(tab);
  QString result;
  for (qsizetype i = 0; i < plain.size(); ++i) {
    if (plain[i] == QLatin1Char('&') && i + 1 < plain.size()) ++i;
    result += plain[i];
  }
  if (result.endsWith(QLatin1String("..."))) result.chop(3);
  return result;
}

}  // namespace ferrow::CommandTable
