#pragma once
// A connection's log: one line per command, reply or notice, newest at the bottom, following
// the end while it is in view. Clear, Copy (the selected lines) and Copy All.
#include <QListView>

#include "gui/command_ids.h"
#include "gui/log_model.h"

namespace ferrow {

class IFrameServices;

class CLogView : public QListView, public ICommandTarget {
  Q_OBJECT

 public:
  CLogView(IFrameServices& frame, QWidget* parent = nullptr);

  CLogModel& Model() { return m_model; }
  bool HandlesCommand(Command command) const override;
  bool IsCommandEnabled(Command command) const override;
  void ExecuteCommand(Command command) override;

 private:
  IFrameServices& m_frame;
  CLogModel m_model;
};

}  // namespace ferrow
