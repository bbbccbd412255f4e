#include "support/recording_window.h"

#include <chrono>

#include "util/code_page.h"

namespace vidlark::testing {

void RecordingWindow::SetUserId(const std::string& utf8) {
  std::lock_guard lock(mutex_);
  userId_ = Local(utf8);
}

void RecordingWindow::SetDateFilter(bool checked, DateTime value) {
  std::lock_guard lock(mutex_);
  filter_ = checked;
  filterValue_ = value;
}

void RecordingWindow::HoldMessages(bool hold) {
  std::lock_guard lock(mutex_);
  holdMessages_ = hold;
}

void RecordingWindow::ReleaseMessages() {
  std::lock_guard lock(mutex_);
  ++released_;
  changed_.notify_all();
}

std::vector<std::string> RecordingWindow::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<std::string> RecordingWindow::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::string RecordingWindow::cell(int row, int column) const {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size())) return std::string();
  auto found = rows_[static_cast<size_t>(row)].find(column);
  return found == rows_[static_cast<size_t>(row)].end() ? std::string() : GbkToUtf8(found->second);
}

int RecordingWindow::rowCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

std::string RecordingWindow::caption() const {
  std::lock_guard lock(mutex_);
  return caption_;
}

bool RecordingWindow::WaitForMessage(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return !messages_.empty(); });
}

bool RecordingWindow::WaitForRows(int rows, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return static_cast<int>(rows_.size()) >= rows; });
}

Text RecordingWindow::UserIdText() {
  std::lock_guard lock(mutex_);
  return userId_;
}

bool RecordingWindow::DateFilterChecked() {
  std::lock_guard lock(mutex_);
  return filter_;
}

DateTime RecordingWindow::DateFilterValue() {
  std::lock_guard lock(mutex_);
  return filterValue_;
}

void RecordingWindow::SetStartButtonCaption(const Text& caption) {
  std::lock_guard lock(mutex_);
  caption_ = GbkToUtf8(caption);
  calls_.push_back("caption " + caption_);
  changed_.notify_all();
}

std::int32_t RecordingWindow::AddListRow() {
  std::lock_guard lock(mutex_);
  rows_.emplace_back();
  auto row = static_cast<std::int32_t>(rows_.size() - 1);
  calls_.push_back("row " + std::to_string(row));
  changed_.notify_all();
  return row;
}

void RecordingWindow::SetListCell(std::int32_t row, int column, const Text& text) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < static_cast<std::int32_t>(rows_.size())) rows_[static_cast<size_t>(row)][column] = text;
  calls_.push_back("cell " + std::to_string(row) + " " + std::to_string(column) + " " + GbkToUtf8(text));
  changed_.notify_all();
}

Text RecordingWindow::ListCell(std::int32_t row, int column) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<std::int32_t>(rows_.size())) return Text();
  auto found = rows_[static_cast<size_t>(row)].find(column);
  return found == rows_[static_cast<size_t>(row)].end() ? Text() : found->second;
}

void RecordingWindow::RepaintAndScrollListToBottom() {
  std::lock_guard lock(mutex_);
  calls_.push_back("repaint");
}

void RecordingWindow::ShowMessage(const Text& title, const Text& text, const RunControl& control) {
  std::unique_lock lock(mutex_);
  std::string message = GbkToUtf8(text);
  calls_.push_back("message " + GbkToUtf8(title) + "|" + message);
  messages_.push_back(message);
  changed_.notify_all();
  if (!holdMessages_) return;
  int released = released_;
  while (released_ == released && !control.IsCancelled()) {
    changed_.wait_for(lock, std::chrono::milliseconds(10));
  }
}

}  // namespace vidlark::testing
