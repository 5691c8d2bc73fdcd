// Events pushed to the open pages (server-sent events): the completion bar of a long operation as
// it moves, new journal entries, and "the session changed" after every step, so that a page
// never polls. Published on the host's thread, read on the server's; a page that does not keep up
// loses the oldest events (it fetches the state afresh on "changed" anyway).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

namespace pixmend::serve {

class Events {
 public:
  // Adds an event: `name` (a word) and its data (one line of JSON).
  void publish(const std::string& name, const std::string& data);

  // The next event after number `after` in the form a page reads ("event: NAME\ndata: DATA\n\n"),
  // waiting up to `wait`; nothing when none came or the events were closed. `after` moves on.
  std::optional<std::string> next(std::uint64_t* after, std::chrono::milliseconds wait);
  // The number of the newest event (a new reader starts after it).
  std::uint64_t newest();

  // Wakes every reader for good: the server is stopping.
  void close();
  bool closed();

  // Readers that may wait at once (each holds one of the server's threads).
  bool enter();
  void leave();
  static constexpr int kMaxReaders = 4;

 private:
  static constexpr std::size_t kKept = 256;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::uint64_t, std::string>> events_;
  std::uint64_t count_ = 0;
  bool closed_ = false;
  int readers_ = 0;
};

}  // namespace pixmend::serve
