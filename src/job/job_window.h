// What the download job uses of the main window, and nothing more. The Qt
// window implements it for the program; tests implement it headless. Every
// call comes from the worker's thread; texts cross as code page 936 Text.
#pragma once

#include <cstdint>

#include "util/run_control.h"
#include "util/text.h"
#include "util/timestamp.h"

namespace vidlark {

class JobWindow {
 public:
  virtual ~JobWindow() = default;

  // 编辑框1: the user ID as typed.
  virtual Text UserIdText() = 0;
  // 选择框1: "stop at the first video older than this date" ticked.
  virtual bool DateFilterChecked() = 0;
  // 日期框1: the chosen date and time.
  virtual DateTime DateFilterValue() = 0;
  // 按钮_开始采集.
  virtual void SetStartButtonCaption(const Text& caption) = 0;

  // 超级列表框1: appends an empty row and returns its index, counted from 0.
  virtual std::int32_t AddListRow() = 0;
  virtual void SetListCell(std::int32_t row, int column, const Text& text) = 0;
  // The cell's whole text, whatever its length.
  virtual Text ListCell(std::int32_t row, int column) = 0;
  // Repaints the list at once and scrolls it to its last row.
  virtual void RepaintAndScrollListToBottom() = 0;

  // A message box with no owner, the given title and one OK button. Returns
  // once the user has closed it, or at once when `control` is cancelled.
  virtual void ShowMessage(const Text& title, const Text& text, const RunControl& control) = 0;
};

}  // namespace vidlark
