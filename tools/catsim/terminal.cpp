#include "tools/catsim/terminal.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "tools/catsim/paced_line.hpp"
#include "tools/catsim/wire.hpp"

namespace catsim {

namespace {

std::tm LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return local;
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

// The exchanges of the terminal's thread: what it answers to each byte of
// the host, by the exchange's script. The line and the record are its
// members; the Terminal keeps the reports and events under its lock.
class Terminal::Session {
 public:
  explicit Session(Terminal& owner)
      : t_(owner),
        recorder_([this](const WireEvent& event) { Keep(event); }),
        line_(LineOptions{owner.options_.device, owner.options_.linkPath, owner.options_.baud, owner.options_.pacing},
              [this](WireEvent::Kind kind, std::string bytes) { recorder_.Bytes(ExchangeNumber(), kind, std::move(bytes)); },
              [this](char byte) { Taken(byte); }) {}

  bool Open(std::string& error) {
    if (!recorder_.Open(t_.options_.recordPath, error) || !line_.Open(error)) return false;
    std::lock_guard lock(t_.mutex_);
    t_.slavePath_ = line_.hostPath();
    return true;
  }

  void SetStopFd(int fd) { line_.SetStopFd(fd); }

  void Run() {
    while (!line_.stopping()) {
      if (pendingEnq_) {
        pendingEnq_ = false;
        RunExchange();
        continue;
      }
      std::optional<char> byte = line_.Next(Clock::time_point::max());
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

  void Unlink() { line_.Unlink(); }

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
        case FrameResult::Timeout: Finish(line_.stopping() ? Outcome::Stopped : Outcome::NoRequest); return;
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
        Finish(line_.stopping() ? Outcome::Stopped : Outcome::HungUp);
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
        if (line_.stopping()) {
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

  // Every data byte read belongs to the exchange under way, or to the idle line.
  void Taken(char byte) {
    if (report_) {
      report_->fromHost += byte;
    } else {
      std::lock_guard lock(t_.mutex_);
      t_.idleBytes_ += byte;
    }
  }

  std::optional<char> Next(Clock::time_point deadline) { return line_.Next(deadline); }
  bool Pause(Clock::time_point until) { return line_.Pause(until); }

  bool Write(std::string_view bytes, const ExchangeScript& script) {
    if (report_) report_->fromTerminal += bytes;
    return line_.Write(bytes, script.slowByte);
  }

  // Ends the line as a pulled cable would, then offers a fresh one at the
  // same link so that the next exchange can go on.
  void HangUp() {
    Note("hang-up", line_.hostPath());
    std::string error;
    if (!line_.HangUp(error)) {
      Note("line-lost", error);
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

  void Note(std::string note, std::string detail) { recorder_.Note(ExchangeNumber(), std::move(note), std::move(detail)); }

  int ExchangeNumber() const { return report_ ? report_->number : 0; }

  void Keep(const WireEvent& event) {
    if (t_.options_.onEvent) t_.options_.onEvent(event);
    if (!t_.options_.keepEvents) return;
    std::lock_guard lock(t_.mutex_);
    t_.events_.push_back(event);
  }

  Terminal& t_;
  std::optional<ExchangeReport> report_;  // before recorder_ and line_, whose callbacks read it
  EventRecorder recorder_;
  PacedLine line_;
  bool pendingEnq_ = false;
  int exchange_ = 0;
  int dles_ = 0;
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
  session_->SetStopFd(stopPipe_[0]);
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
