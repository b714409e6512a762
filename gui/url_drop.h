#pragma once
// The links in what a browser or another program drops on the main window: "text/x-moz-url"
// (the URL, then its title, in UTF-16), "text/uri-list" (one URL a line, "#" lines are
// comments), else plain text that passes IsDownloadUrl. Only http:// and ftp:// links count; a
// dropped local file gives nothing.
#include <QStringList>
#include <string>

class QMimeData;

namespace ferrow {

QStringList DroppedLinks(const QMimeData& data, const std::wstring& extensionList);
// Whether a drag carries anything that may hold a link (the drop shows the link cursor).
bool MayHoldLinks(const QMimeData& data);

}  // namespace ferrow
