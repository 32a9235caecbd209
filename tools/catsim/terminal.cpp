#include "tools/catsim/terminal.hpp"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <deque>
#include <filesystem>

#include "tools/catsim/wire.hpp"

namespace catsim {

namespace {

using Clock = std::chrono::steady_clock;

// The terminal waits this long for an XON before it sends on regardless.
constexpr auto kLongestHold = std::chrono::seconds(2);

int MillisecondsUntil(Clock::time_point deadline) {
  if (deadline == Clock::time_point::max()) return -1;
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(std::min<long long>(left, 60000));
}

std::tm LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return local;
}

// Points `link` at `target`, replacing an earlier link in one step.
bool PointLink(const std::string& link, const std::string& target, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path path(link);
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
  if (fs::exists(fs::symlink_status(path)) && !fs::is_symlink(fs::symlink_status(path))) {
    error = link + " exists and is not a symlink; not replacing it";
    return false;
  }
  fs::path temporary = path;
  temporary += ".catsim-" + std::to_string(::getpid());
  fs::remove(temporary, ec);
  fs::create_symlink(target, temporary, ec);
  if (!ec) fs::rename(temporary, path, ec);
  if (ec) {
    error = "symlink " + link + " -> " + target + ": " + ec.message();
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Completed: return "completed";
    case Outcome::EnqRefused: return "enq-refused";
    case Outcome::RequestRefused: return "request-refused";
    case Outcome::NoRequest: return "no-request";
    case Outcome::RequestRejected: return "request-rejected";
    case Outcome::NoAnswer: return "no-answer";
    case Outcome::ResponseRejected: return "response-rejected";
    case Outcome::Cancelled: return "cancelled";
    case Outcome::HungUp: return "hung-up";
    case Outcome::NoEot: return "no-eot";
    case Outcome::Stopped: return "stopped";
  }
  return "?";
}

// Everything the terminal's thread owns.
class Terminal::Session {
 public:
  explicit Session(Terminal& owner) : t_(owner), start_(Clock::now()) {}
  ~Session() {
    if (record_ != nullptr) std::fclose(record_);
  }

  bool Open(std::string& error) {
    const TerminalOptions& o = t_.options_;
    if (!o.recordPath.empty()) {
      record_ = o.recordPath == "-" ? fdopen(::dup(STDOUT_FILENO), "w") : std::fopen(o.recordPath.c_str(), "w");
      if (record_ == nullptr) {
        error = "cannot write " + o.recordPath;
        return false;
      }
      std::setvbuf(record_, nullptr, _IOLBF, 0);
    }
    bool opened = o.device.empty() ? line_.OpenPty(error) : line_.OpenDevice(o.device, o.baud, error);
    if (!opened) return false;
    if (!o.linkPath.empty() && line_.isPty() && !PointLink(o.linkPath, line_.hostPath(), error)) return false;
    std::lock_guard lock(t_.mutex_);
    t_.slavePath_ = line_.hostPath();
    return true;
  }

  void Run() {
    while (!stopping_) {
      if (pendingEnq_) {
        pendingEnq_ = false;
        RunExchange();
        continue;
      }
      std::optional<char> byte = Next(Clock::time_point::max());
      if (!byte) continue;
      if (*byte == kEnq) {
        {
          std::lock_guard lock(t_.mutex_);
          t_.idleBytes_.pop_back();  // it belongs to the exchange it starts
        }
        RunExchange();
      } else if (CountDle(*byte)) {
        Note("cancel", "DLE DLE DLE while idle");
      }
    }
    if (report_) Finish(Outcome::Stopped);
  }

  void RequestStop() { stopping_ = true; }
  int stopFd = -1;

  // Removes the link when it still points at our line.
  void Unlink() {
    const std::string& link = t_.options_.linkPath;
    if (link.empty()) return;
    std::error_code ec;
    if (std::filesystem::is_symlink(link, ec) && std::filesystem::read_symlink(link, ec) == line_.hostPath()) {
      std::filesystem::remove(link, ec);
    }
  }

 private:
  enum class Answer { Ack, Nak, NewEnq, Cancel, Timeout };

  ExchangeScript ScriptFor(int number) {
    std::lock_guard lock(t_.mutex_);
    auto found = t_.options_.scripts.find(number);
    return found != t_.options_.scripts.end() ? found->second : t_.options_.defaultScript;
  }

  void RunExchange() {
    const int number = ++exchange_;
    report_ = ExchangeReport{};
    report_->number = number;
    report_->fromHost = std::string(1, kEnq);
    dles_ = 0;
    const ExchangeScript script = ScriptFor(number);
    Note("enq", "");

    if (script.enqReply != Reply::Normal) {
      SendReply(script.enqReply, script);
      Finish(Outcome::EnqRefused);
      return;
    }
    if (!script.noiseBeforeAck.empty()) Write(script.noiseBeforeAck, script);
    Write(std::string(1, kAck), script);

    // The request, repeated after a NAK while it keeps failing the check.
    std::optional<Request> request;
    for (int rejected = 0; !request;) {
      std::string frame;
      switch (ReadFrame(frame)) {
        case FrameResult::Frame: break;
        case FrameResult::NewEnq: Finish(Outcome::NoRequest); return;
        case FrameResult::Cancel: Finish(Outcome::Cancelled); return;
        case FrameResult::Timeout: Finish(stopping_ ? Outcome::Stopped : Outcome::NoRequest); return;
      }
      report_->request = frame;
      if (HasGoodLrc(frame)) request = ParseRequest(frame);
      if (!request) {
        Note("bad-request", Hex(frame));
        Write(std::string(1, kNak), script);
        if (++rejected > t_.options_.maxRepeats) {
          Finish(Outcome::RequestRejected);
          return;
        }
      }
    }
    report_->code = request->code;
    const int kind = KindOf(request->code);
    if (kind == 0) {
      Note("unknown-code", request->code);
      Write(std::string(1, kNak), script);
      Finish(Outcome::RequestRejected);
      return;
    }

    if (t_.options_.processingDelay.count() > 0 && !Pause(Clock::now() + t_.options_.processingDelay)) {
      Finish(Outcome::Stopped);
      return;
    }
    if (script.requestReply != Reply::Normal) {
      SendReply(script.requestReply, script);
      Finish(Outcome::RequestRefused);
      return;
    }
    if (!ExpectsResponse(kind)) {
      if (!script.eot) {
        Finish(Outcome::NoEot);
        return;
      }
      Write(std::string(1, kEot), script);
      Finish(Outcome::Completed);
      return;
    }

    ResponseOptions response;
    {
      std::lock_guard lock(t_.mutex_);
      response = t_.options_.response;
    }
    if (script.responseCode) response.responseCode = *script.responseCode;
    const std::tm now = t_.options_.clock ? t_.options_.clock() : LocalNow();
    const std::string frame = *BuildResponse(*request, response, now);
    report_->response = frame;

    for (int attempt = 0;; ++attempt) {
      if (!SendResponse(frame, script, attempt)) {
        Finish(stopping_ ? Outcome::Stopped : Outcome::HungUp);
        return;
      }
      Answer answer = AwaitAnswer();
      if (answer == Answer::Ack) break;
      if (answer == Answer::NewEnq) {
        Finish(Outcome::NoAnswer);
        return;
      }
      if (answer == Answer::Cancel) {
        Finish(Outcome::Cancelled);
        return;
      }
      if (answer == Answer::Timeout) {
        if (stopping_) {
          Finish(Outcome::Stopped);
          return;
        }
        // The host gave up on this response (its own wait ran out); a
        // terminal closes the exchange anyway.
        if (script.eot) Write(std::string(1, kEot), script);
        Finish(Outcome::NoAnswer);
        return;
      }
      ++report_->naksFromHost;
      if (report_->naksFromHost > t_.options_.maxRepeats) {
        if (script.eot) Write(std::string(1, kEot), script);
        Finish(Outcome::ResponseRejected);
        return;
      }
    }
    if (!script.eot) {
      Finish(Outcome::NoEot);
      return;
    }
    Write(std::string(1, kEot), script);
    Finish(Outcome::Completed);
  }

  void SendReply(Reply reply, const ExchangeScript& script) {
    switch (reply) {
      case Reply::Normal:
      case Reply::Silence: Note("silence", ""); return;
      case Reply::Nak: Write(std::string(1, kNak), script); return;
      case Reply::Dle: Write(std::string(1, kDle), script); return;
      case Reply::Eot: Write(std::string(1, kEot), script); return;
    }
  }

  // False when the line is gone (hang-up) or the simulator stops.
  bool SendResponse(const std::string& frame, const ExchangeScript& script, int attempt) {
    std::string wire = frame;
    if (attempt < script.badLrc) wire.back() = static_cast<char>(wire.back() ^ 0x01);
    if (attempt == 0 && !script.noiseInside.empty()) {
      wire.insert(std::min(script.noiseInsideAt, wire.size()), script.noiseInside);
    }
    if (attempt == 0 && !script.noiseBeforeResponse.empty() && !Write(script.noiseBeforeResponse, script)) {
      return false;
    }
    if (script.hangUp) {
      if (!Write(std::string_view(wire).substr(0, wire.size() / 2), script)) return false;
      HangUp();
      return false;
    }
    if (script.split && wire.size() > 1) {
      std::size_t at = std::clamp<std::size_t>(script.splitAt.value_or(wire.size() / 2), 1, wire.size() - 1);
      if (!Write(std::string_view(wire).substr(0, at), script)) return false;
      if (!Pause(Clock::now() + script.splitPause)) return false;
      return Write(std::string_view(wire).substr(at), script);
    }
    return Write(wire, script);
  }

  enum class FrameResult { Frame, NewEnq, Cancel, Timeout };

  // The next frame from STX on; before it only ENQ and DLE mean anything.
  // The time-out counts from the last byte, since a long frame at 9600 baud
  // takes seconds to arrive.
  FrameResult ReadFrame(std::string& frame) {
    FrameAssembler assembler;
    for (;;) {
      std::optional<char> byte = Next(Clock::now() + t_.options_.requestTimeout);
      if (!byte) return FrameResult::Timeout;
      if (!assembler.Started()) {
        if (*byte == kEnq) return NewEnq();
        if (CountDle(*byte)) return FrameResult::Cancel;
        if (*byte != kStx) continue;
      }
      switch (assembler.Add(*byte)) {
        case FrameAssembler::Status::NeedMore: break;
        case FrameAssembler::Status::Complete:
        case FrameAssembler::Status::Overflow: frame = assembler.frame(); return FrameResult::Frame;
      }
    }
  }

  FrameResult NewEnq() {
    report_->fromHost.pop_back();  // the ENQ opens the next exchange
    pendingEnq_ = true;
    return FrameResult::NewEnq;
  }

  Answer AwaitAnswer() {
    const auto deadline = Clock::now() + t_.options_.answerTimeout;
    for (;;) {
      std::optional<char> byte = Next(deadline);
      if (!byte) return Answer::Timeout;
      if (*byte == kAck) return Answer::Ack;
      if (*byte == kNak) return Answer::Nak;
      if (*byte == kEnq) {
        NewEnq();
        return Answer::NewEnq;
      }
      if (CountDle(*byte)) return Answer::Cancel;
    }
  }

  // True on the third DLE in a row: the host's cancel.
  bool CountDle(char byte) {
    dles_ = byte == kDle ? dles_ + 1 : 0;
    if (dles_ < 3) return false;
    dles_ = 0;
    return true;
  }

  // --- the line ---------------------------------------------------------

  std::optional<char> Next(Clock::time_point deadline) {
    while (inbox_.empty()) {
      if (stopping_ || !WaitInput(deadline)) return std::nullopt;
    }
    char byte = inbox_.front();
    inbox_.pop_front();
    if (report_) {
      report_->fromHost += byte;
    } else {
      std::lock_guard lock(t_.mutex_);
      t_.idleBytes_ += byte;
    }
    return byte;
  }

  // Waits for input until `deadline`; false on time-out or stop.
  bool WaitInput(Clock::time_point deadline) {
    pollfd fds[2] = {{line_.fd(), POLLIN, 0}, {stopFd, POLLIN, 0}};
    int ready = ::poll(fds, 2, MillisecondsUntil(deadline));
    if (fds[1].revents != 0) stopping_ = true;
    if (stopping_) return false;
    if (ready <= 0) return Clock::now() < deadline;
    if ((fds[0].revents & POLLIN) != 0) return ReadAvailable(), true;
    if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) {
      // Nobody holds the other end of a device: wait instead of spinning.
      ::poll(&fds[1], 1, 50);
    }
    return true;
  }

  void ReadAvailable() {
    char chunk[4096];
    for (;;) {
      ssize_t n = ::read(line_.fd(), chunk, sizeof chunk);
      if (n <= 0) return;
      std::string bytes(chunk, static_cast<std::size_t>(n));
      Emit(WireEvent::Kind::FromHost, bytes);
      for (char c : bytes) {
        // The host's line runs XON/XOFF: these two hold and release our
        // output and are not data.
        if (c == kXoff) {
          held_ = true;
        } else if (c == kXon) {
          held_ = false;
        } else {
          inbox_.push_back(c);
        }
      }
    }
  }

  // Sleeps until `until` unless the simulator stops (then false).
  bool Pause(Clock::time_point until) {
    while (!stopping_) {
      int wait = MillisecondsUntil(until);
      if (wait <= 0) return true;
      pollfd stop{stopFd, POLLIN, 0};
      if (::poll(&stop, 1, wait) > 0) stopping_ = true;
    }
    return false;
  }

  bool Write(std::string_view bytes, const ExchangeScript& script) {
    using namespace std::chrono;
    const TerminalOptions& o = t_.options_;
    auto interval = duration_cast<microseconds>(script.slowByte);
    if (o.pacing && o.baud > 0) interval += microseconds(10'000'000 / o.baud);  // start + 8 data + stop bits
    if (report_) report_->fromTerminal += bytes;
    if (interval.count() == 0) return WriteAll(bytes);
    const auto begin = Clock::now();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (i > 0 && !Pause(begin + interval * static_cast<long>(i))) return false;
      // Keep reading while sending slowly, so that an XOFF holds us.
      pollfd in{line_.fd(), POLLIN, 0};
      if (::poll(&in, 1, 0) > 0 && (in.revents & POLLIN) != 0) ReadAvailable();
      const auto holdUntil = Clock::now() + kLongestHold;
      while (held_ && Clock::now() < holdUntil && !stopping_) WaitInput(holdUntil);
      if (!WriteAll(bytes.substr(i, 1))) return false;
    }
    return true;
  }

  bool WriteAll(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      if (stopping_ || line_.fd() < 0) return false;
      ssize_t n = ::write(line_.fd(), bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        Emit(WireEvent::Kind::FromTerminal, std::string(bytes.substr(done, static_cast<std::size_t>(n))));
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
      pollfd fds[2] = {{line_.fd(), POLLOUT, 0}, {stopFd, POLLIN, 0}};
      ::poll(fds, 2, 100);
      if (fds[1].revents != 0) stopping_ = true;
    }
    return true;
  }

  // Ends the line as a pulled cable would, then offers a fresh one at the
  // same link so that the next exchange can go on.
  void HangUp() {
    Note("hang-up", line_.hostPath());
    Unlink();
    line_.Close();
    inbox_.clear();
    held_ = false;
    std::string error;
    bool reopened = t_.options_.device.empty() ? line_.OpenPty(error)
                                               : line_.OpenDevice(t_.options_.device, t_.options_.baud, error);
    if (reopened && !t_.options_.linkPath.empty() && line_.isPty()) PointLink(t_.options_.linkPath, line_.hostPath(), error);
    if (!reopened) {
      Note("line-lost", error);
      stopping_ = true;
      return;
    }
    std::lock_guard lock(t_.mutex_);
    t_.slavePath_ = line_.hostPath();
  }

  // --- records ----------------------------------------------------------

  void Finish(Outcome outcome) {
    report_->outcome = outcome;
    Note("exchange", OutcomeName(outcome));
    {
      std::lock_guard lock(t_.mutex_);
      t_.reports_.push_back(*report_);
    }
    t_.finished_.notify_all();
    report_.reset();
    dles_ = 0;
  }

  void Note(std::string note, std::string detail) {
    WireEvent event;
    event.kind = WireEvent::Kind::Note;
    event.note = std::move(note);
    event.detail = std::move(detail);
    Publish(std::move(event));
  }

  void Emit(WireEvent::Kind kind, std::string bytes) {
    WireEvent event;
    event.kind = kind;
    event.bytes = std::move(bytes);
    Publish(std::move(event));
  }

  void Publish(WireEvent event) {
    event.microseconds = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start_).count();
    event.exchange = report_ ? report_->number : 0;
    if (record_ != nullptr) std::fprintf(record_, "%s\n", ToJsonLine(event).c_str());
    if (t_.options_.onEvent) t_.options_.onEvent(event);
    if (!t_.options_.keepEvents) return;
    std::lock_guard lock(t_.mutex_);
    t_.events_.push_back(std::move(event));
  }

  Terminal& t_;
  const Clock::time_point start_;
  Line line_;
  std::FILE* record_ = nullptr;
  std::deque<char> inbox_;
  bool held_ = false;
  bool stopping_ = false;
  bool pendingEnq_ = false;
  int exchange_ = 0;
  int dles_ = 0;
  std::optional<ExchangeReport> report_;
};

Terminal::Terminal(TerminalOptions options) : options_(std::move(options)) {}

Terminal::~Terminal() { Stop(); }

bool Terminal::Start(std::string& error) {
  if (started_) {
    error = "already started";
    return false;
  }
  if (::pipe2(stopPipe_, O_CLOEXEC) != 0) {
    error = "pipe2 failed";
    return false;
  }
  session_ = std::make_unique<Session>(*this);
  session_->stopFd = stopPipe_[0];
  if (!session_->Open(error)) {
    session_.reset();
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
    stopPipe_[0] = stopPipe_[1] = -1;
    return false;
  }
  started_ = true;
  thread_ = std::thread([this] { session_->Run(); });
  return true;
}

void Terminal::Stop() {
  if (!started_) return;
  started_ = false;
  char wake = 1;
  (void)::write(stopPipe_[1], &wake, 1);
  thread_.join();
  session_->Unlink();
  session_.reset();
  ::close(stopPipe_[0]);
  ::close(stopPipe_[1]);
  stopPipe_[0] = stopPipe_[1] = -1;
  finished_.notify_all();
}

std::string Terminal::SlavePath() const {
  std::lock_guard lock(mutex_);
  return slavePath_;
}

std::string Terminal::PortPath() const {
  return options_.linkPath.empty() || !options_.device.empty() ? SlavePath() : options_.linkPath;
}

void Terminal::SetScript(int exchange, ExchangeScript script) {
  std::lock_guard lock(mutex_);
  options_.scripts[exchange] = std::move(script);
}

void Terminal::SetResponse(ResponseOptions response) {
  std::lock_guard lock(mutex_);
  options_.response = std::move(response);
}

std::optional<ExchangeReport> Terminal::WaitExchange(int number, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  auto find = [&]() -> const ExchangeReport* {
    for (const ExchangeReport& report : reports_) {
      if (report.number == number) return &report;
    }
    return nullptr;
  };
  finished_.wait_for(lock, timeout, [&] { return find() != nullptr; });
  const ExchangeReport* report = find();
  return report ? std::optional<ExchangeReport>(*report) : std::nullopt;
}

std::vector<ExchangeReport> Terminal::Exchanges() const {
  std::lock_guard lock(mutex_);
  return reports_;
}

std::vector<WireEvent> Terminal::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::string Terminal::IdleBytesFromHost() const {
  std::lock_guard lock(mutex_);
  return idleBytes_;
}

}  // namespace catsim
