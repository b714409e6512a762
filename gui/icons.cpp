#include "gui/icons.h"

#include <QFile>
#include <QHash>
#include <QString>

// The pictures live in this static library: they are registered by hand before the first use.
static void RegisterIconResources() {
  Q_INIT_RESOURCE(icons);
}

namespace ferrow {
namespace {

struct IconNames {
  const char* theme;  // freedesktop name; empty: always our own
  const char* own;    // file prefix in the resources
};

IconNames NamesOf(IconId id) {
  switch (id) {
    case IconId::kApp:
      return {"", "ferrow"};
    case IconId::kAppBusy:
      return {"", "ferrow-busy"};
    case IconId::kDownload:
      return {"", "download"};
    case IconId::kImport:
      return {"document-open", "import"};
    case IconId::kExport:
      return {"document-save-as", "export"};
    case IconId::kSettings:
      return {"preferences-system", "settings"};
    case IconId::kExit:
      return {"application-exit", "exit"};
    case IconId::kCopy:
      return {"edit-copy", "copy"};
    case IconId::kDelete:
      return {"edit-delete", "delete"};
    case IconId::kRename:
      return {"", "rename"};
    case IconId::kProperties:
      return {"document-properties", "properties"};
    case IconId::kStart:
      return {"media-playback-start", "start"};
    case IconId::kStop:
      return {"media-playback-stop", "stop"};
    case IconId::kQueue:
      return {"", "queue"};
    case IconId::kUp:
      return {"go-up", "up"};
    case IconId::kDown:
      return {"go-down", "down"};
    case IconId::kOpen:
      return {"", "open"};
    case IconId::kOpenFolder:
      return {"folder-open", "open-folder"};
    case IconId::kFolder:
      return {"folder", "folder"};
    case IconId::kNewFolder:
      return {"folder-new", "new-folder"};
    case IconId::kFile:
      return {"text-x-generic", "file"};
    case IconId::kSite:
      return {"network-server", "site"};
    case IconId::kNewSite:
      return {"", "new-site"};
    case IconId::kOpenSite:
      return {"", "open-site"};
    case IconId::kConnect:
      return {"", "connect"};
    case IconId::kDisconnect:
      return {"", "disconnect"};
    case IconId::kRefresh:
      return {"view-refresh", "refresh"};
    case IconId::kHelp:
      return {"help-contents", "help"};
    case IconId::kAbout:
      return {"help-about", "about"};
    case IconId::kHome:
      return {"go-home", "home"};
    case IconId::kMail:
      return {"mail-send", "mail"};
    case IconId::kHistory:
      return {"", "history"};
    case IconId::kExplorer:
      return {"", "explorer"};
    case IconId::kIntegration:
      return {"", "integration"};
    case IconId::kClear:
      return {"edit-clear", "clear"};
    case IconId::kStatusQueued:
      return {"", "status-queued"};
    case IconId::kStatusRunning:
      return {"", "status-running"};
    case IconId::kStatusStopped:
      return {"", "status-stopped"};
    case IconId::kStatusCompleted:
      return {"", "status-completed"};
    case IconId::kNone:
      break;
  }
  return {"", ""};
}

QIcon OwnIcon(const char* name) {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64}) {
    const QString file = QStringLiteral(":/icons/%1-%2.png").arg(QLatin1String(name)).arg(size);
    if (QFile::exists(file)) icon.addFile(file, QSize(size, size));
  }
  return icon;
}

}  // namespace

QIcon Icon(IconId id) {
  static const bool registered = [] {
    RegisterIconResources();
    return true;
  }();
  (void)registered;
  static QHash<int, QIcon> cache;
  const int key = static_cast<int>(id);
  auto found = cache.find(key);
  if (found != cache.end()) return found.value();
  const IconNames names = NamesOf(id);
  QIcon icon;
  if (names.own[0] != '\0') {
    const QIcon own = OwnIcon(names.own);
    icon = names.theme[0] != '\0' ? QIcon::fromTheme(QLatin1String(names.theme), own) : own;
  }
  cache.insert(key, icon);
  return icon;
}

QIcon StatusIcon(int index) {
  switch (index) {
    case 0:
      return Icon(IconId::kStatusQueued);
    case 1:
      return Icon(IconId::kStatusRunning);
    case 2:
      return Icon(IconId::kStatusStopped);
    case 3:
      return Icon(IconId::kStatusCompleted);
    default:
      return QIcon();
  }
}

}  // namespace ferrow
