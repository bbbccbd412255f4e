// A local stand-in for the Vidlark service on 127.0.0.1: the list API with
// paging, has_more, max_time, status codes and prompts; share pages carrying
// the description and create_time in UTF-8; media files; and faults on demand.
// It records every request it receives.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "support/local_server.h"

namespace vidlark::testing {

struct FakeVideo {
  std::string id;           // JSON text of the item's "id": "\"66\"" or 66
  std::string description;  // UTF-8, as the share page carries it
  std::string createTime;   // the digits after "create_time":
  std::string media;        // the media file's body
  bool sharePage = true;    // false: the share page lacks both markers
  bool mediaUrl = true;     // false: the item has no "video.url_list"
};

enum class MediaFault { None, NotFound, CutMidBody, Stall, Empty };

struct RecordedRequest {
  std::string target;  // path and query as sent
  httplib::Headers headers;
  std::string Header(const std::string& name) const;
};

class FakeVidlarkService {
 public:
  FakeVidlarkService();

  void SetVideos(std::vector<FakeVideo> videos);
  // A list answer of its own for the n-th list request (from 0); nullopt keeps
  // the ordinary answer.
  void SetListOverride(std::function<std::optional<std::string>(int n)> override);
  void SetMediaFault(const std::string& id, MediaFault fault);

  std::string base() const { return server_.base(); }
  std::vector<RecordedRequest> requests() const;
  std::vector<std::string> targets(const std::string& prefix) const;

  // The media URL of a video as list items carry it, before the cut at "&line".
  std::string MediaUrl(const std::string& id) const;

 private:
  std::string ListBody(const httplib::Request& request);
  static std::string Unquoted(const std::string& id);

  LocalServer server_;
  mutable std::mutex mutex_;
  std::vector<FakeVideo> videos_;
  std::function<std::optional<std::string>(int)> listOverride_;
  std::map<std::string, MediaFault> faults_;
  std::vector<RecordedRequest> requests_;
  int listRequests_ = 0;
};

}  // namespace vidlark::testing
