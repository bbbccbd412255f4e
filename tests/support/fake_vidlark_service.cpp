#include "support/fake_vidlark_service.h"

#include <thread>

namespace vidlark::testing {

std::string RecordedRequest::Header(const std::string& name) const {
  auto found = headers.find(name);
  return found == headers.end() ? std::string() : found->second;
}

FakeVidlarkService::FakeVidlarkService() {
  auto record = [this](const httplib::Request& request) {
    std::lock_guard lock(mutex_);
    requests_.push_back({request.target, request.headers});
  };
  server_.server().Get("/share/load_videos/", [this, record](const httplib::Request& req, httplib::Response& res) {
    record(req);
    res.set_content(ListBody(req), "application/json; charset=utf-8");
  });
  server_.server().Get(R"(/share/video/(.*)/)", [this, record](const httplib::Request& req, httplib::Response& res) {
    record(req);
    std::lock_guard lock(mutex_);
    for (const FakeVideo& video : videos_) {
      if (Unquoted(video.id) != req.matches[1].str()) continue;
      if (!video.sharePage) {
        res.set_content("<html>nothing here</html>", "text/html");
        return;
      }
      res.set_content(
          "<html><head><meta name=\"x\" content=\"y\" /></head><body>"
          "<input type=\"hidden\" id=\"ShareAppDesc\" value=\"" +
              video.description +
              "\" />"
              "<script>var data = {\"aweme_id\":\"" +
              Unquoted(video.id) + "\",\"create_time\":" + video.createTime + ",\"author\":{}};</script></body></html>",
          "text/html; charset=utf-8");
      return;
    }
    res.status = 404;
    res.set_content("<html>no such video</html>", "text/html");
  });
  server_.server().Get(R"(/media/(.*)\.mp4)", [this, record](const httplib::Request& req, httplib::Response& res) {
    record(req);
    std::string id = req.matches[1].str();
    std::lock_guard lock(mutex_);
    MediaFault fault = faults_.count(id) ? faults_[id] : MediaFault::None;
    std::string body;
    for (const FakeVideo& video : videos_) {
      if (Unquoted(video.id) == id) body = video.media;
    }
    switch (fault) {
      case MediaFault::NotFound:
        res.status = 404;
        res.set_content("<html>404 Not Found</html>", "text/html");
        return;
      case MediaFault::Empty: res.set_content("", "video/mp4"); return;
      case MediaFault::CutMidBody:
      case MediaFault::Stall:
        res.set_content_provider(body.size() + 100000, "video/mp4",
                                 [body, fault](size_t offset, size_t, httplib::DataSink& sink) {
                                   if (offset == 0) return sink.write(body.data(), body.size());
                                   if (fault == MediaFault::Stall) std::this_thread::sleep_for(std::chrono::seconds(3));
                                   return false;
                                 });
        return;
      case MediaFault::None: res.set_content(body, "video/mp4"); return;
    }
  });
  server_.Start();
}

void FakeVidlarkService::SetVideos(std::vector<FakeVideo> videos) {
  std::lock_guard lock(mutex_);
  videos_ = std::move(videos);
}

void FakeVidlarkService::SetListOverride(std::function<std::optional<std::string>(int)> override) {
  std::lock_guard lock(mutex_);
  listOverride_ = std::move(override);
}

void FakeVidlarkService::SetMediaFault(const std::string& id, MediaFault fault) {
  std::lock_guard lock(mutex_);
  faults_[id] = fault;
}

std::vector<RecordedRequest> FakeVidlarkService::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::string> FakeVidlarkService::targets(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const RecordedRequest& request : requests()) {
    if (request.target.rfind(prefix, 0) == 0) found.push_back(request.target);
  }
  return found;
}

std::string FakeVidlarkService::MediaUrl(const std::string& id) const {
  return base() + "/media/" + Unquoted(id) + ".mp4?sign=ab";
}

std::string FakeVidlarkService::Unquoted(const std::string& id) {
  if (id.size() >= 2 && id.front() == '"' && id.back() == '"') return id.substr(1, id.size() - 2);
  return id;
}

std::string FakeVidlarkService::ListBody(const httplib::Request& request) {
  std::lock_guard lock(mutex_);
  int n = listRequests_++;
  if (listOverride_) {
    if (std::optional<std::string> body = listOverride_(n)) return *body;
  }
  size_t offset = std::stoul(request.get_param_value("offset"));
  size_t count = std::stoul(request.get_param_value("count"));
  std::string items;
  for (size_t i = offset; i < videos_.size() && i < offset + count; ++i) {
    const FakeVideo& video = videos_[i];
    if (!items.empty()) items += ",";
    items += "{\"id\":" + video.id;
    if (video.mediaUrl) {
      items +=
          ",\"video\":{\"url_list\":[\"" + MediaUrl(video.id) + "&line=0&ratio=720p\",\"" + base() + "/other.mp4\"]}";
    }
    items += "}";
  }
  bool more = offset + count < videos_.size();
  return "{\"status_code\":0,\"extra\":{\"now\":1,\"has_more\":" + std::string(more ? "true" : "false") +
         ",\"max_time\":" + std::to_string(1600000000000 - static_cast<long long>(n)) +
         "},\"data\":{\"prompts\":\"\",\"items\":[" + items + "]}}";
}

}  // namespace vidlark::testing
