#include "gui/range_spin_box.h"

#include "app/settings_ranges.h"

namespace ferrow {

CRangeSpinBox::CRangeSpinBox(const SettingRange& range, QWidget* parent)
    : QSpinBox(parent), m_range(range) {
  setRange(-999999, 9999999);
  setAccelerated(true);
}

void CRangeSpinBox::stepBy(int steps) {
  const int next = value() + steps * singleStep();
  setValue(qBound(m_range.lower, next, qMax(m_range.stepUpper, m_range.lower)));
  selectAll();
}

QAbstractSpinBox::StepEnabled CRangeSpinBox::stepEnabled() const {
  StepEnabled enabled = StepNone;
  if (value() > m_range.lower) enabled |= StepDownEnabled;
  if (value() < m_range.stepUpper) enabled |= StepUpEnabled;
  return enabled;
}

}  // namespace ferrow
