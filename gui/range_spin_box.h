#pragma once
// A number field of the settings pages: any number can be typed (the page checks the range
// and names it, message 2306), while the arrows step only within the range, or within a
// narrower one (the connections step from 1 to 16 though up to 64 are accepted).
#include <QSpinBox>

namespace ferrow {

struct SettingRange;

class CRangeSpinBox : public QSpinBox {
  Q_OBJECT

 public:
  CRangeSpinBox(const SettingRange& range, QWidget* parent = nullptr);
  const SettingRange& Range() const { return m_range; }
  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override;

 private:
  const SettingRange& m_range;
};

}  // namespace ferrow
