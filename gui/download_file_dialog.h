#pragma once
// The new-download dialog ("DownloadFile", CDownloadFileDlg of the design): the URL (proposed
// from the clipboard when it passes IsDownloadUrl and none was given), the folder and the
// directory it goes to, the file name, a comment, the number of connections, whether it starts
// now or waits in the queue, and a login for its server. OK adds the download through the
// core; the dialog stays open when the download cannot be added.
#include "gui/dialog_base.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace ferrow {

class CFolderChooser;
class IFrameServices;

class CDownloadFileDialog : public CDialogBase {
  Q_OBJECT

 public:
  // Opens a new dialog (several may be open at once, one per link).
  static CDownloadFileDialog* Open(IFrameServices& frame, const QString& url, QWidget* parent);

  QString Url() const;
  QComboBox* UrlBox() const { return m_url; }
  QLineEdit* FileNameLine() const { return m_fileName; }
  QLineEdit* CommentLine() const { return m_comment; }
  QSpinBox* ConnectionsBox() const { return m_connections; }
  QRadioButton* StartNowButton() const { return m_startNow; }
  QRadioButton* QueueButton() const { return m_queue; }
  QLineEdit* UserLine() const { return m_user; }
  QLineEdit* PasswordLine() const { return m_password; }
  CFolderChooser* Chooser() const { return m_chooser; }

 protected:
  void accept() override;

 private:
  CDownloadFileDialog(IFrameServices& frame, const QString& url, QWidget* parent);
  void OnUrlEdited(const QString& url);
  void Add();

  IFrameServices& m_frame;
  QComboBox* m_url;
  CFolderChooser* m_chooser;
  QLineEdit* m_fileName;
  QLineEdit* m_comment;
  QSpinBox* m_connections;
  QRadioButton* m_startNow;
  QRadioButton* m_queue;
  QLineEdit* m_user;
  QLineEdit* m_password;
  bool m_nameEdited = false;
  bool m_asking = false;
};

// The program-wide list of URLs typed into the download dialogs ("Recent\URL").
class CRecentList;
CRecentList& RecentUrls();
// Whether a URL is one the program fetches (http:// or ftp://, any letter case).
bool IsFetchableUrl(const QString& url);

}  // namespace ferrow
