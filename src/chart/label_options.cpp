#include "chart/label_options.h"

namespace qh {

namespace {

bool* Field(LabelOptions& o, int id) {
  switch (id) {
    case 1: return &o.BarNoName;
    case 2: return &o.BarUseLetters;
    case 3: return &o.BarUseNumbers;
    case 4: return &o.BarNoValue;
    case 5: return &o.LineUseLetters;
    case 6: return &o.LineUseNumbers;
    case 7: return &o.LineNoValue;
    default: return nullptr;
  }
}

}  // namespace

bool LabelOptions::Get(int id) const {
  const bool* f = Field(const_cast<LabelOptions&>(*this), id);
  return f != nullptr && *f;
}

void LabelOptions::Set(int id, bool value) {
  if (bool* f = Field(*this, id)) *f = value;
}

}  // namespace qh
