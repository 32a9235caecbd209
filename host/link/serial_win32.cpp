#include "host/link/serial_win32.hpp"

#include "contract/win32/port_lock_win32.hpp"

#include <algorithm>

namespace kavorin {

namespace {

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
// Time-outs of the open port: a read returns what the driver already holds.
constexpr COMMTIMEOUTS kPortTimeouts{MAXDWORD, 0, 1000, 0, 1000};
// Successful event waits in a row that report no received character before
// the reader stops trusting WaitCommEvent (a driver that does not wait).
constexpr int kMaxEmptyEvents = 3;
// Pause after a read that failed at once, so a broken device is not polled
// in a tight loop; the stop event ends the pause.
constexpr DWORD kReadErrorPauseMs = 100;

std::string ErrorText(DWORD error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
      reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string out = length != 0 && text != nullptr ? std::string(text, length) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  return out;
}

HANDLE NewManualResetEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

}  // namespace

SerialChannel::PortIo::PortIo() {
  // Unnamed events: a named one would be shared by every channel of the
  // session, and two channels would then wake each other's operations.
  for (Operation* operation : {&wait, &read, &write}) operation->event = NewManualResetEvent();
}

SerialChannel::PortIo::~PortIo() {
  for (Operation* operation : {&wait, &read, &write}) {
    if (operation->event != nullptr) CloseHandle(operation->event);
  }
}

SerialChannel::SerialChannel(HWND notifyWindow) : window_(notifyWindow), io_(std::make_unique<PortIo>()) {
  stop_event_ = NewManualResetEvent();
  delivered_event_ = NewManualResetEvent();
}

SerialChannel::~SerialChannel() {
  Close();
  for (HANDLE event : {stop_event_, delivered_event_}) {
    if (event != nullptr) CloseHandle(event);
  }
}

bool SerialChannel::IsOpen() const { return reader_ != nullptr; }

void SerialChannel::SetNotifyWindow(HWND window) {
  if (!IsOpen()) window_ = window;
}

bool SerialChannel::Fail(const char* call, DWORD error) {
  last_error_ = std::string(call) + "(" + name_ + "): error " + std::to_string(error);
  const std::string text = ErrorText(error);
  if (!text.empty()) last_error_ += " " + text;
  return false;
}

void SerialChannel::NoteCloseFailure(const char* call, DWORD error) { Fail(call, error); }

void SerialChannel::Note(const std::string& text) {
  if (diagnostics_) diagnostics_(text);
}

bool SerialChannel::Open(const std::string& name, const LineSettings& settings, SerialSink& sink) {
  if (IsOpen()) return Fail("Open", ERROR_BUSY);
  name_ = name;
  last_error_.clear();
  // A block given up by an earlier Close is never reused: a fresh one.
  if (io_ == nullptr) io_ = std::make_unique<PortIo>();
  if (stop_event_ == nullptr || delivered_event_ == nullptr || !io_->Ready()) {
    return Fail("CreateEvent", ERROR_NOT_ENOUGH_MEMORY);
  }

  // Windows itself refuses a second open of a serial port; Wine on a pty
  // does not. A named object held while the port is open keeps two
  // channels (of any process of the session) off one port there too, and
  // the refusal reads as Windows' own.
  port_lock_ = CreateMutexA(nullptr, FALSE, SerialPortLockName(name).c_str());
  if (port_lock_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(port_lock_);
    port_lock_ = nullptr;
    return Fail("CreateFile", ERROR_ACCESS_DENIED);
  }

  port_ = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                      nullptr);
  if (port_ == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    ReleasePortLock();
    return Fail("CreateFile", error);
  }

  const auto abandon = [this](const char* call) {
    const DWORD error = GetLastError();
    CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
    ReleasePortLock();
    return Fail(call, error);
  };
  if (!SetCommMask(port_, EV_RXCHAR)) return abandon("SetCommMask");
  if (!SetupComm(port_, kInputQueueBytes, kOutputQueueBytes)) return abandon("SetupComm");
  if (!PurgeComm(port_, kPurgeAll)) return abandon("PurgeComm");
  COMMTIMEOUTS timeouts = kPortTimeouts;
  if (!SetCommTimeouts(port_, &timeouts)) return abandon("SetCommTimeouts");

  // Only the fields the terminal depends on change; the rest stay as the
  // driver reports them (some USB adapters keep vendor settings there).
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port_, &dcb)) return abandon("GetCommState");
  dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
  dcb.Parity = static_cast<BYTE>(settings.parity);
  dcb.ByteSize = static_cast<BYTE>(settings.byteSize);
  dcb.StopBits = static_cast<BYTE>(settings.stopBits);
  dcb.fBinary = 1;
  dcb.fParity = 1;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fOutX = 1;
  dcb.fInX = 1;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = 100;
  dcb.XoffLim = 100;
  if (!SetCommState(port_, &dcb)) return abandon("SetCommState");
  // An XOFF the terminal sent to an earlier session can leave the driver's
  // output held, open after open, until an XON comes: every session starts
  // with output resumed, as the termios channel does. A driver without the
  // escape (Wine on a pty) only loses that: the open goes on, and says so.
  if (!EscapeCommFunction(port_, SETXON)) {
    const DWORD error = GetLastError();
    Note("serial port " + name_ + ": EscapeCommFunction(SETXON): error " + std::to_string(error) + " " +
         ErrorText(error));
  }

  ResetEvent(stop_event_);
  ResetEvent(delivered_event_);
  timed_reads_ = false;
  lost_ = false;
  batch_count_ = 0;
  sink_ = &sink;
  ++generation_;
  reader_generation_ = generation_;
  reader_ = CreateThread(nullptr, 0, &SerialChannel::ReaderMain, this, 0, nullptr);
  if (reader_ == nullptr) {
    sink_ = nullptr;
    ++generation_;
    return abandon("CreateThread");
  }
  return true;
}

void SerialChannel::Close() {
  if (!IsOpen()) return;
  // The reader is asked to stop, never killed: killed, it could leave a
  // lock of the runtime held or an operation half-issued on the handle. It
  // ends its own operation by a means that completes it and waits for that
  // a bounded time, and it never waits on this thread, so this returns
  // promptly even when called from inside the delivery the reader waits for.
  SetEvent(stop_event_);
  WaitForSingleObject(reader_, INFINITE);
  CloseHandle(reader_);
  reader_ = nullptr;
  ++generation_;
  sink_ = nullptr;
  batch_count_ = 0;
  lost_ = false;

  // Every step is attempted and the handle is always closed: clearing DTR
  // fails on a pty and on some USB adapters, and that must not leave the
  // port held.
  if (!SetCommMask(port_, 0)) NoteCloseFailure("SetCommMask", GetLastError());
  if (!EscapeCommFunction(port_, CLRDTR)) NoteCloseFailure("EscapeCommFunction", GetLastError());
  if (!PurgeComm(port_, kPurgeAll)) NoteCloseFailure("PurgeComm", GetLastError());
  if (!CloseHandle(port_)) NoteCloseFailure("CloseHandle", GetLastError());
  port_ = INVALID_HANDLE_VALUE;
  ReleasePortLock();
  SettleOperations();
}

// After the handle is closed (which completes whatever a driver still
// held), no operation may be left pending on the block; one that is gets
// its block left allocated, never to be touched again.
void SerialChannel::SettleOperations() {
  if (io_ == nullptr || !io_->AnyPending()) return;
  int stuck = 0;
  for (Operation* operation : {&io_->wait, &io_->read, &io_->write}) {
    if (!operation->pending) continue;
    WaitForSingleObject(operation->event, kCompletionWaitMs);
    if (HasOverlappedIoCompleted(&operation->overlapped)) {
      operation->pending = false;
    } else {
      ++stuck;
    }
  }
  if (stuck == 0) return;
  abandoned_operations_ += stuck;
  (void)io_.release();  // deliberately leaked: the driver may still write there
  Fail("Close", ERROR_IO_INCOMPLETE);
  last_error_ += "; " + std::to_string(stuck) + " operation(s) abandoned, their buffers left allocated";
  Note("serial port " + name_ + ": " + std::to_string(stuck) +
       " I/O operation(s) did not complete after the handle was closed; their buffers are left allocated "
       "and never reused (" + std::to_string(abandoned_operations_) + " so far)");
}

void SerialChannel::ReleasePortLock() {
  if (port_lock_ != nullptr) CloseHandle(port_lock_);
  port_lock_ = nullptr;
}

void SerialChannel::Start(Operation& operation) {
  HANDLE event = operation.event;
  operation.overlapped = OVERLAPPED{};
  operation.overlapped.hEvent = event;
  operation.pending = false;
  ResetEvent(event);
}

bool SerialChannel::Collect(Operation& operation, DWORD& count) {
  count = 0;
  const BOOL ok = GetOverlappedResult(port_, &operation.overlapped, &count, FALSE);
  if (!ok && GetLastError() == ERROR_IO_INCOMPLETE) return false;
  operation.pending = false;
  return ok != FALSE;
}

void SerialChannel::Finish(Operation& operation, const std::function<void()>& end) {
  if (!operation.pending) return;
  end();
  if (WaitForSingleObject(operation.event, kCompletionWaitMs) == WAIT_OBJECT_0) {
    DWORD ignored = 0;
    Collect(operation, ignored);
  }
}

bool SerialChannel::Send(std::span<const std::uint8_t> data) {
  if (port_ == INVALID_HANDLE_VALUE) return Fail("WriteFile", ERROR_INVALID_HANDLE);
  if (data.size() > kMaxSendBytes) return Fail("WriteFile", ERROR_INVALID_PARAMETER);
  // A write that could not be ended still owns the buffer until Close.
  if (io_->write.pending) return Fail("WriteFile", ERROR_BUSY);
  last_error_.clear();

  Operation& write = io_->write;
  std::copy(data.begin(), data.end(), io_->write_buffer.begin());
  std::size_t done = 0;
  int attempts_without_progress = 0;
  while (done < data.size()) {
    Start(write);
    DWORD written = 0;
    const auto remaining = static_cast<DWORD>(data.size() - done);
    if (WriteFile(port_, io_->write_buffer.data() + done, remaining, nullptr, &write.overlapped)) {
      Collect(write, written);
    } else if (const DWORD error = GetLastError(); error != ERROR_IO_PENDING) {
      // Failed outright: clear the port's error state and try the same
      // bytes again, a bounded number of times.
      Fail("WriteFile", error);
      DWORD errors = 0;
      ClearCommError(port_, &errors, nullptr);
    } else {
      write.pending = true;
      // The device's write time-out normally ends the wait; the bound here
      // covers drivers that ignore it (a pty whose reader is gone).
      if (WaitForSingleObject(write.event, write_wait_ms_) != WAIT_OBJECT_0) {
        Finish(write, [this, &write] { CancelIoEx(port_, &write.overlapped); });
        if (write.pending) return Fail("WriteFile", ERROR_IO_INCOMPLETE);
      }
      // Complete now (Finish may have collected it already: asking again
      // gives the same count, or the cancellation as a failure).
      write.pending = false;
      if (!GetOverlappedResult(port_, &write.overlapped, &written, FALSE)) {
        Fail("GetOverlappedResult", GetLastError());
        DWORD errors = 0;
        ClearCommError(port_, &errors, nullptr);
        return false;
      }
    }
    done += std::min<std::size_t>(written, remaining);
    if (written == 0) {
      if (++attempts_without_progress >= kMaxSendAttemptsWithoutProgress) {
        if (last_error_.empty()) Fail("WriteFile", ERROR_TIMEOUT);
        return false;
      }
    } else {
      attempts_without_progress = 0;
    }
  }
  return true;
}

DWORD WINAPI SerialChannel::ReaderMain(LPVOID self) {
  static_cast<SerialChannel*>(self)->RunReader();
  return 0;
}

bool SerialChannel::StopRequested() const { return WaitForSingleObject(stop_event_, 0) == WAIT_OBJECT_0; }

void SerialChannel::RunReader() {
  int empty_events = 0;
  while (!StopRequested()) {
    batch_count_ = 0;
    Wake wake;
    if (!timed_reads_) {
      wake = WaitForCharacters();
      if (wake == Wake::kUnsupported || (wake == Wake::kNothing && ++empty_events >= kMaxEmptyEvents)) {
        // The device does not wait for characters; reads that block with a
        // time-out take over for the rest of this opening.
        COMMTIMEOUTS timeouts{20, 0, kTimedReadMs, 0, kPortTimeouts.WriteTotalTimeoutConstant};
        SetCommTimeouts(port_, &timeouts);
        timed_reads_ = true;
        continue;
      }
      if (wake == Wake::kData) empty_events = 0;
    } else {
      wake = ReadWithTimeout();
    }
    if (wake == Wake::kData) {
      do {
        wake = ReadWaiting();
      } while (wake == Wake::kData && !StopRequested());
    }
    if (wake == Wake::kStop || StopRequested()) return;
    if (wake == Wake::kLost) {
      // The sink hears of it on the window thread; reading ends here.
      Deliver();
      return;
    }
    if (batch_count_ > 0 && !Deliver()) return;
  }
}

bool SerialChannel::WaitUnlessStopped(Operation& operation, const std::function<void()>& end) {
  HANDLE handles[2] = {stop_event_, operation.event};
  if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) return true;
  // Stopped: the operation must be over before its block is used again.
  Finish(operation, end);
  return false;
}

SerialChannel::Wake SerialChannel::WaitForCharacters() {
  Operation& wait = io_->wait;
  Start(wait);
  io_->event_mask = 0;
  BOOL ok = WaitCommEvent(port_, &io_->event_mask, &wait.overlapped);
  DWORD error = ok ? 0 : GetLastError();
  if (!ok && error == ERROR_IO_PENDING) {
    wait.pending = true;
    // A new event mask completes a pending wait; CancelIoEx does not on
    // every driver (Wine's, for one).
    if (!WaitUnlessStopped(wait, [this] { SetCommMask(port_, 0); })) return Wake::kStop;
    DWORD ignored = 0;
    ok = Collect(wait, ignored);
    error = ok ? 0 : GetLastError();
  }
  if (StopRequested()) return Wake::kStop;
  if (!ok) {
    if (IsDeviceGone(error)) {
      ReportLost("WaitCommEvent", error);
      return Wake::kLost;
    }
    return Wake::kUnsupported;
  }
  return (io_->event_mask & EV_RXCHAR) != 0 ? Wake::kData : Wake::kNothing;
}

SerialChannel::Wake SerialChannel::ReadWaiting() {
  const std::size_t room = kPendingBytes - PendingSize();
  if (room == 0 || batch_count_ == kMaxBatches) return Wake::kNothing;
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(port_, &errors, &status)) {
    const DWORD error = GetLastError();
    if (!IsDeviceGone(error)) return Wake::kNothing;
    ReportLost("ClearCommError", error);
    return Wake::kLost;
  }
  const DWORD wanted = std::min<DWORD>({kInputQueueBytes, status.cbInQue, static_cast<DWORD>(room)});
  if (wanted == 0) return Wake::kNothing;
  DWORD count = 0;
  if (!Read(wanted, count)) {
    if (StopRequested()) return Wake::kStop;
    if (!IsDeviceGone(last_read_error_)) return Wake::kNothing;
    ReportLost("ReadFile", last_read_error_);
    return Wake::kLost;
  }
  if (count == 0) return Wake::kNothing;
  AddBatch(count);
  return Wake::kData;
}

SerialChannel::Wake SerialChannel::ReadWithTimeout() {
  DWORD count = 0;
  const bool ok = Read(kInputQueueBytes, count);
  if (StopRequested()) return Wake::kStop;
  if (ok && count > 0) {
    AddBatch(count);
    return Wake::kData;
  }
  if (!ok && IsDeviceGone(last_read_error_)) {
    ReportLost("ReadFile", last_read_error_);
    return Wake::kLost;
  }
  // ERROR_TIMEOUT (Wine) or TRUE with no byte (Windows) is the normal end of
  // a quiet period; anything else failed at once and must not spin.
  if (!ok && last_read_error_ != ERROR_TIMEOUT) {
    if (WaitForSingleObject(stop_event_, kReadErrorPauseMs) == WAIT_OBJECT_0) return Wake::kStop;
  }
  return Wake::kNothing;
}

bool SerialChannel::Read(DWORD wanted, DWORD& count) {
  Operation& read = io_->read;
  Start(read);
  count = 0;
  last_read_error_ = 0;
  bool ok = false;
  DWORD error = 0;
  if (ReadFile(port_, io_->read_buffer.data(), wanted, nullptr, &read.overlapped)) {
    ok = Collect(read, count);
  } else if ((error = GetLastError()) == ERROR_IO_PENDING) {
    read.pending = true;
    if (!WaitUnlessStopped(read, [this, &read] { CancelIoEx(port_, &read.overlapped); })) {
      count = 0;
      last_read_error_ = ERROR_OPERATION_ABORTED;
      return false;
    }
    ok = Collect(read, count);
  }
  if (!ok) {
    last_read_error_ = error != 0 && error != ERROR_IO_PENDING ? error : GetLastError();
    count = 0;
    DWORD errors = 0;
    ClearCommError(port_, &errors, nullptr);
    return false;
  }
  return true;
}

// Errors that mean the handle no longer reaches a device: a USB adapter
// pulled out (Windows reports several of these, by driver), or a pty whose
// other end went away (Wine: a broken pipe on reads, not ready on status).
bool SerialChannel::IsDeviceGone(DWORD error) const {
  switch (error) {
    case ERROR_INVALID_HANDLE:
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY:
    case ERROR_BROKEN_PIPE:
    case ERROR_IO_DEVICE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

void SerialChannel::ReportLost(const char* call, DWORD error) {
  std::string reason = std::string(call) + "(" + name_ + "): error " + std::to_string(error);
  const std::string text = ErrorText(error);
  if (!text.empty()) reason += " " + text;
  lost_reason_ = std::move(reason);
  lost_ = true;
}

std::size_t SerialChannel::PendingSize() const { return batch_count_ == 0 ? 0 : batch_ends_[batch_count_ - 1]; }

void SerialChannel::AddBatch(DWORD count) {
  const std::size_t begin = PendingSize();
  const std::size_t size = std::min<std::size_t>(count, kPendingBytes - begin);
  std::copy_n(io_->read_buffer.begin(), size, pending_.begin() + static_cast<std::ptrdiff_t>(begin));
  batch_ends_[batch_count_++] = begin + size;
}

bool SerialChannel::Deliver() {
  if (window_ == nullptr) {
    // No notify window: read and dropped.
    batch_count_ = 0;
    return true;
  }
  ResetEvent(delivered_event_);
  // Handled as a sent message (ahead of posted messages and timers), yet the
  // reader does not block inside the call: it waits below, where the stop
  // event can end the wait.
  if (!SendNotifyMessageA(window_, kWmCatData, reader_generation_, reinterpret_cast<LPARAM>(this))) {
    batch_count_ = 0;
    return WaitForSingleObject(stop_event_, kReadErrorPauseMs) != WAIT_OBJECT_0;
  }
  HANDLE handles[2] = {stop_event_, delivered_event_};
  const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  batch_count_ = 0;
  return woke == WAIT_OBJECT_0 + 1;
}

bool SerialChannel::HandleCatData(WPARAM wParam, LPARAM lParam) {
  if (lParam != reinterpret_cast<LPARAM>(this) || !IsOpen() || wParam != generation_) return false;
  const WPARAM generation = generation_;
  SerialSink* sink = sink_;
  std::size_t begin = 0;
  for (std::size_t i = 0; i < batch_count_; ++i) {
    const std::size_t end = batch_ends_[i];
    sink->QueueReceived(std::span<const std::uint8_t>(pending_.data() + begin, end - begin));
    begin = end;
    if (generation_ != generation) return true;
  }
  if (batch_count_ > 0) sink->DataArrived();
  // Closed (or closed and opened again) from inside the sink: that reader is
  // gone and a new one must not be released by this delivery.
  if (generation_ != generation) return true;
  if (lost_) {
    const std::string reason = lost_reason_;
    sink->DeviceLost(reason);
    if (generation_ != generation) return true;
  }
  SetEvent(delivered_event_);
  return true;
}

}  // namespace kavorin
