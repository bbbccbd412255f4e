// A headless stand-in for the main window: it keeps the controls' values and
// the list's cells, and records every call the job makes, in order.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "job/job_window.h"

namespace vidlark::testing {

class RecordingWindow : public JobWindow {
 public:
  // What the user has set; may change while a job runs.
  void SetUserId(const std::string& utf8);
  void SetDateFilter(bool checked, DateTime value);
  // Makes ShowMessage wait until ReleaseMessages or a cancel, as a real box waits for OK.
  void HoldMessages(bool hold);
  void ReleaseMessages();

  // The calls so far, as UTF-8 lines: "caption 开始下载", "row 0", "cell 0 4 正在下载",
  // "repaint", "message 信息：|下载完成".
  std::vector<std::string> calls() const;
  std::vector<std::string> messages() const;
  // Cell text as UTF-8.
  std::string cell(int row, int column) const;
  int rowCount() const;
  std::string caption() const;
  // Waits until a message has been shown; false after `timeout`.
  bool WaitForMessage(std::chrono::milliseconds timeout) const;
  bool WaitForRows(int rows, std::chrono::milliseconds timeout) const;

  Text UserIdText() override;
  bool DateFilterChecked() override;
  DateTime DateFilterValue() override;
  void SetStartButtonCaption(const Text& caption) override;
  std::int32_t AddListRow() override;
  void SetListCell(std::int32_t row, int column, const Text& text) override;
  Text ListCell(std::int32_t row, int column) override;
  void RepaintAndScrollListToBottom() override;
  void ShowMessage(const Text& title, const Text& text, const RunControl& control) override;

 private:
  void Record(const std::string& line);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  Text userId_;
  bool filter_ = false;
  DateTime filterValue_ = 0;
  std::string caption_;
  std::vector<std::map<int, Text>> rows_;
  std::vector<std::string> calls_;
  std::vector<std::string> messages_;
  bool holdMessages_ = false;
  int released_ = 0;
};

}  // namespace vidlark::testing
