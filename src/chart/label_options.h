#pragma once
// The label options of the bar and line charts: what the charts read to
// decide which names and values they print.

namespace qh {

enum class LabelOptionId : int {
  BarNoName = 1,
  BarUseLetters = 2,
  BarUseNumbers = 3,
  BarNoValue = 4,
  LineUseLetters = 5,
  LineUseNumbers = 6,
  LineNoValue = 7,
};

struct LabelOptions {
  bool BarNoName = false;
  bool BarUseLetters = false;
  bool BarUseNumbers = false;
  bool BarNoValue = false;
  bool LineUseLetters = false;
  bool LineUseNumbers = false;
  bool LineNoValue = false;

  // By id; unknown ids read false and are not written.
  bool Get(int id) const;
  void Set(int id, bool value);
  bool Get(LabelOptionId id) const { return Get(static_cast<int>(id)); }
  void Set(LabelOptionId id, bool value) { Set(static_cast<int>(id), value); }
  friend bool operator==(const LabelOptions&, const LabelOptions&) = default;
};

}  // namespace qh
