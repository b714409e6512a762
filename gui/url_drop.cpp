#include "gui/url_drop.h"

#include <QMimeData>
#include <QString>

#include "gui/qt_text.h"
#include "shell/download_url.h"

namespace ferrow {
namespace {

bool IsLink(const QString& text) {
  return text.startsWith(QLatin1String("http://")) || text.startsWith(QLatin1String("ftp://"));
}

void AddLink(QStringList& links, const QString& text) {
  const QString link = text.trimmed();
  if (IsLink(link) && !links.contains(link)) links << link;
}

}  // namespace

QStringList DroppedLinks(const QMimeData& data, const std::wstring& extensionList) {
  QStringList links;
  const QString mozUrl = QStringLiteral("text/x-moz-url");
  if (data.hasFormat(mozUrl)) {
    const QByteArray bytes = data.data(mozUrl);
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    // URL and title alternate, one a line.
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); i += 2) AddLink(links, lines[i]);
    if (!links.isEmpty()) return links;
  }
  if (data.hasFormat(QStringLiteral("text/uri-list"))) {
    const QString list = QString::fromUtf8(data.data(QStringLiteral("text/uri-list")));
    for (const QString& line : list.split(QLatin1Char('\n'))) {
      if (line.startsWith(QLatin1Char('#'))) continue;
      AddLink(links, line);
    }
    return links;
  }
  if (data.hasText()) {
    const QString text = data.text().trimmed();
    if (IsDownloadUrl(FromQt(text), extensionList)) links << text;
  }
  return links;
}

bool MayHoldLinks(const QMimeData& data) {
  return data.hasUrls() || data.hasText() || data.hasFormat(QStringLiteral("text/x-moz-url"));
}

}  // namespace ferrow
