#include "job/download_job.h"

#include "job/video_file.h"
#include "net/web_request.h"
#include "util/code_page.h"
#include "util/file_path.h"

namespace vidlark {
namespace {

struct Texts {
  Text startCaption = Local("开始下载");
  Text finished = Local("下载完成");
  Text failed = Local("下载失败");
  Text downloading = Local("正在下载");
  Text saved = Local("完成下载");
  Text messageTitle = Local("信息：");
  Text saveFolder = Local("视频保存");
  Text privatePlaceholder = Local("这是我私藏的视频。一般人我才不分享！");
  Text noDescription = Local("无视频描述");
  Text descriptionLeft = "ShareAppDesc\" value=\"";
  Text descriptionRight = "\" />";
  Text createTimeLeft = "create_time\":";
  Text mobileUserAgent =
      "User-Agent:Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/60.0.3112.113 Mobile Safari/537.36";
};

const Texts& T() {
  static const Texts texts;
  return texts;
}

const RunControl& IdleControl() {
  static const RunControl idle;
  return idle;
}

// A member read as its JSON text: carried into a document of its own first, so
// that the strings "0" and "false" read like the number and the boolean.
Text MemberJson(JsonDocument document, const Text& name) { return document.GetDocument(name).ToJson(); }

bool HoldsPathSeparator(const Text& text) { return FindText(text, "/") != -1 || FindText(text, "\\") != -1; }

}  // namespace

DownloadJob::DownloadJob(JobWindow& window, const JobSettings& settings)
    : window_(window), settings_(settings), control_(settings.control ? *settings.control : IdleControl()) {}

bool DownloadJob::Proceed() const { return control_.WaitWhilePaused(); }

DownloadJob::Flow DownloadJob::EndJob(const Text& message) {
  if (!Proceed()) return Flow::Cancelled;
  window_.SetStartButtonCaption(T().startCaption);
  if (!Proceed()) return Flow::Cancelled;
  window_.ShowMessage(T().messageTitle, message, control_);
  return control_.IsCancelled() ? Flow::Cancelled : Flow::Ended;
}

ByteBuffer DownloadJob::Fetch(const Text& url, const Text& headerLines) {
  WebRequestOptions options;
  options.HeaderLines = headerLines;
  return WebRequest(url, options);
}

bool DownloadJob::SetCell(std::int32_t row, int column, const Text& text) {
  if (!Proceed()) return false;
  window_.SetListCell(row, column, text);
  return true;
}

void DownloadJob::Run() {
  RunControl::Scope scope(&control_);
  JsonDocument page;
  JsonDocument items;
  std::int32_t offset = -ListPageSize;
  Text maxTime = "0";

  for (std::int32_t pages = 0;; ++pages) {
    if (pages == settings_.maxListPages) {
      EndJob(T().failed);
      return;
    }
    offset += ListPageSize;
    if (!Proceed()) return;
    Text userId = window_.UserIdText();
    Text listUrl = settings_.serviceUrl + "/share/load_videos/?offset=" + std::to_string(offset) +
                   "&count=" + std::to_string(ListPageSize) + "&user_id=" + userId + "&max_time=" + maxTime;
    if (!Proceed()) return;
    ByteBuffer body = Fetch(listUrl);
    if (control_.IsCancelled()) return;
    // The service writes UTF-8; its prompts are shown as it wrote them.
    Text bodyText = Utf8ToLocal(body);
    page.Parse(bodyText);

    Text hasMore = MemberJson(page.GetDocument("extra"), "has_more");
    Text statusCode = MemberJson(page, "status_code");
    maxTime = page.GetText("extra.max_time");
    items = page.GetDocument("data").GetDocument("items");

    std::int32_t count = items.GetCount();
    for (std::int32_t k = 1; k <= count; ++k) {
      Flow flow = ProcessVideo(items, k - 1);
      if (flow != Flow::Continue) return;
    }

    if (hasMore == "false") {
      EndJob(T().finished);
      return;
    }
    if (bodyText.empty()) {
      EndJob(T().failed);
      return;
    }
    if (statusCode != "0") {
      EndJob(page.GetText("data.prompts"));
      return;
    }
  }
}

DownloadJob::Flow DownloadJob::ProcessVideo(JsonDocument& items, std::int32_t index) {
  Text id = items.GetElementDocument(index).GetText("id");
  Text shareUrl = settings_.serviceUrl + "/share/video/" + id + "/";
  if (!Proceed()) return Flow::Cancelled;
  Text pageText = Utf8ToLocal(Fetch(shareUrl, T().mobileUserAgent));
  if (control_.IsCancelled()) return Flow::Cancelled;

  fields_.description = ReplaceMany(TextBetween(pageText, T().descriptionLeft, T().descriptionRight), std::nullopt,
                                    std::nullopt, std::nullopt, "?", "");
  fields_.publishTime = TextBetween(pageText, T().createTimeLeft, ",");
  fields_.videoUrl = TextBefore(items.GetElementDocument(index).GetText("video.url_list[0]"), "&line");
  if (fields_.description == T().privatePlaceholder) fields_.description = T().noDescription;

  if (!Proceed()) return Flow::Cancelled;
  if (window_.DateFilterChecked()) {
    DateTime chosen = window_.DateFilterValue();
    CalendarFields day;
    DateTime midnight = DateTimeToCalendar(chosen, day) ? CalendarToDateTime(day.year, day.month, day.day) : chosen;
    Text limit = DateTimeToTimestamp(midnight, true);
    // A publish time that could not be read says nothing about the video's
    // age: the job cannot tell where to stop, and that is no success.
    if (fields_.publishTime.empty()) return EndJob(T().failed);
    if (CompareText(fields_.publishTime, limit) < 0) return EndJob(T().finished);
  }

  std::optional<std::int32_t> row = AddVideoRow(fields_);
  if (!row) return Flow::Cancelled;
  return SaveVideo(*row);
}

std::optional<std::int32_t> DownloadJob::AddVideoRow(const VideoFields& fields) {
  if (!Proceed()) return std::nullopt;
  std::int32_t row = window_.AddListRow();
  if (!SetCell(row, 0, std::to_string(row + 1)) || !SetCell(row, 1, fields.description) ||
      !SetCell(row, 2, TimestampToText(fields.publishTime)) || !SetCell(row, 3, fields.videoUrl) ||
      !SetCell(row, 4, T().downloading)) {
    return std::nullopt;
  }
  if (!Proceed()) return std::nullopt;
  window_.RepaintAndScrollListToBottom();
  return row;
}

DownloadJob::Flow DownloadJob::SaveVideo(std::int32_t row) {
  if (!Proceed()) return Flow::Cancelled;
  Text description = window_.ListCell(row, 1);
  Text timePart = ReplaceMany(window_.ListCell(row, 2), std::nullopt, std::nullopt, std::nullopt, ":", "-");
  Text userId = window_.UserIdText();
  // A description from the network never names a folder: a separator in it
  // could place the file outside the user's folder.
  if (HoldsPathSeparator(description)) {
    return SetCell(row, 4, T().failed) ? Flow::Continue : Flow::Cancelled;
  }
  Text relative = T().saveFolder + kPathSeparator + userId + kPathSeparator + description + "_" + timePart + ".MP4";
  std::filesystem::path path = PathUnder(settings_.programFolder, relative);
  if (FileExists(path)) return SetCell(row, 4, T().saved) ? Flow::Continue : Flow::Cancelled;

  if (!Proceed()) return Flow::Cancelled;
  Text url = window_.ListCell(row, 3);
  SaveOutcome outcome = SaveMediaFile(url, path, settings_.media, control_);
  if (outcome == SaveOutcome::Cancelled) return Flow::Cancelled;
  return SetCell(row, 4, outcome == SaveOutcome::Saved ? T().saved : T().failed) ? Flow::Continue : Flow::Cancelled;
}

void DownloadWorker(JobWindow& window, const JobSettings& settings) { DownloadJob(window, settings).Run(); }

}  // namespace vidlark
