// Events pushed to the open pages (see events.hpp).
#include "cli/serve/events.hpp"

namespace pixmend::serve {

void Events::publish(const std::string& name, const std::string& data) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.emplace_back(++count_, "event: " + name + "\ndata: " + data + "\n\n");
    while (events_.size() > kKept) events_.pop_front();
  }
  changed_.notify_all();
}

std::optional<std::string> Events::next(std::uint64_t* after, std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, wait, [&] { return closed_ || count_ > *after; });
  if (closed_ || count_ <= *after) return std::nullopt;
  for (const auto& [number, text] : events_) {
    if (number > *after) {
      *after = number;
      return text;
    }
  }
  *after = count_;  // fell behind beyond what is kept
  return std::nullopt;
}

std::uint64_t Events::newest() {
  std::lock_guard<std::mutex> lock(mutex_);
  return count_;
}

void Events::close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

bool Events::closed() {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}

bool Events::enter() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (readers_ >= kMaxReaders) return false;
  ++readers_;
  return true;
}

void Events::leave() {
  std::lock_guard<std::mutex> lock(mutex_);
  --readers_;
}

}  // namespace pixmend::serve
