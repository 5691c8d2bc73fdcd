// The recording of a served session: every step the session plays, written as a line of a
// session script the moment it has been played, so that `pixmend run FILE` plays the same
// session again (from the design's folder, on the files as they were at the start).
//
// The answers a person gave to boxes and dialogs while a step ran are written just before that
// step, as a script queues them. Steps of the clock (`tick N`) are added up and written before the
// next other step: nothing happened in between, so one tick of the sum fires the same timers in
// the same order. A write that fails stops the recording (said once on standard error); the
// session goes on.
#pragma once

#include <string>
#include <vector>

namespace pixmend::serve {

class Recorder {
 public:
  Recorder() = default;
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Creates `path` for the recording; an existing file is never replaced (nor a link followed).
  // False with the reason.
  bool open(const std::string& path, std::string* why);
  bool active() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  void comment(const std::string& text);
  // A step as played, with the answers given while it ran.
  void step(const std::string& line, const std::vector<std::string>& answers = {});
  // Writes the ticks still added up; the file stays open.
  void flush();
  void close();

 private:
  void write(const std::string& text);
  int fd_ = -1;
  std::string path_;
  long ticks_ = 0;
};

}  // namespace pixmend::serve
