#include "host/link/serial_win32.hpp"

#include "host/link/port_lock_win32.hpp"

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
// How long a cancelled operation may take to complete.
constexpr DWORD kCancelWaitMs = 2000;

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

SerialChannel::SerialChannel(HWND notifyWindow) : window_(notifyWindow) {
  // Unnamed events: a named one would be shared by every channel of the
  // session, and two channels would then wake each other's operations.
  read_event_ = NewManualResetEvent();
  wait_event_ = NewManualResetEvent();
  write_event_ = NewManualResetEvent();
  stop_event_ = NewManualResetEvent();
  delivered_event_ = NewManualResetEvent();
}

SerialChannel::~SerialChannel() {
  Close();
  for (HANDLE event : {read_event_, wait_event_, write_event_, stop_event_, delivered_event_}) {
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

bool SerialChannel::Open(const std::string& name, const LineSettings& settings, SerialSink& sink) {
  if (IsOpen()) return Fail("Open", ERROR_BUSY);
  name_ = name;
  last_error_.clear();
  for (HANDLE event : {read_event_, wait_event_, write_event_, stop_event_, delivered_event_}) {
    if (event == nullptr) return Fail("CreateEvent", ERROR_NOT_ENOUGH_MEMORY);
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

  ResetEvent(stop_event_);
  ResetEvent(delivered_event_);
  timed_reads_ = false;
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
  // lock of the runtime held or an operation half-issued on the handle.
  SetEvent(stop_event_);
  CancelIoEx(port_, nullptr);
  // Every wait of the reader also watches the stop event, and it never
  // waits on this thread, so this returns even when called from inside the
  // delivery the reader is waiting for.
  WaitForSingleObject(reader_, INFINITE);
  CloseHandle(reader_);
  reader_ = nullptr;
  ++generation_;
  sink_ = nullptr;
  batch_count_ = 0;

  // Every step is attempted and the handle is always closed: clearing DTR
  // fails on a pty and on some USB adapters, and that must not leave the
  // port held.
  if (!SetCommMask(port_, 0)) NoteCloseFailure("SetCommMask", GetLastError());
  if (!EscapeCommFunction(port_, CLRDTR)) NoteCloseFailure("EscapeCommFunction", GetLastError());
  if (!PurgeComm(port_, kPurgeAll)) NoteCloseFailure("PurgeComm", GetLastError());
  if (!CloseHandle(port_)) NoteCloseFailure("CloseHandle", GetLastError());
  port_ = INVALID_HANDLE_VALUE;
  ReleasePortLock();
}

void SerialChannel::ReleasePortLock() {
  if (port_lock_ != nullptr) CloseHandle(port_lock_);
  port_lock_ = nullptr;
}

bool SerialChannel::Send(std::span<const std::uint8_t> data) {
  if (port_ == INVALID_HANDLE_VALUE) return Fail("WriteFile", ERROR_INVALID_HANDLE);
  if (data.size() > kMaxSendBytes) return Fail("WriteFile", ERROR_INVALID_PARAMETER);
  last_error_.clear();

  std::size_t done = 0;
  int attempts_without_progress = 0;
  while (done < data.size()) {
    write_overlapped_ = OVERLAPPED{};
    write_overlapped_.hEvent = write_event_;
    ResetEvent(write_event_);
    DWORD written = 0;
    const auto remaining = static_cast<DWORD>(data.size() - done);
    if (!WriteFile(port_, data.data() + done, remaining, &written, &write_overlapped_)) {
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) {
        // Failed outright: clear the port's error state and try the same
        // bytes again, a bounded number of times.
        Fail("WriteFile", error);
        DWORD errors = 0;
        ClearCommError(port_, &errors, nullptr);
        written = 0;
      } else {
        // The device's write time-out normally ends the wait; the bound here
        // covers drivers that ignore it (a pty whose reader is gone).
        if (WaitForSingleObject(write_event_, write_wait_ms_) != WAIT_OBJECT_0) {
          CancelIoEx(port_, &write_overlapped_);
          WaitForSingleObject(write_event_, kCancelWaitMs);
        }
        if (!GetOverlappedResult(port_, &write_overlapped_, &written, FALSE)) {
          Fail("GetOverlappedResult", GetLastError());
          DWORD errors = 0;
          ClearCommError(port_, &errors, nullptr);
          return false;
        }
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
    if (!timed_reads_) {
      const Wake wake = WaitForCharacters();
      if (wake == Wake::kStop) return;
      if (wake == Wake::kUnsupported || (wake == Wake::kNothing && ++empty_events >= kMaxEmptyEvents)) {
        // The device does not wait for characters; reads that block with a
        // time-out take over for the rest of this opening.
        COMMTIMEOUTS timeouts{20, 0, kTimedReadMs, 0, kPortTimeouts.WriteTotalTimeoutConstant};
        SetCommTimeouts(port_, &timeouts);
        timed_reads_ = true;
        continue;
      }
      if (wake == Wake::kNothing) continue;
      empty_events = 0;
    } else {
      const Wake wake = ReadWithTimeout();
      if (wake == Wake::kStop) return;
      if (wake != Wake::kData) continue;
    }
    while (!StopRequested() && ReadWaiting()) {
    }
    if (StopRequested()) return;
    if (batch_count_ > 0 && !Deliver()) return;
  }
}

SerialChannel::Wake SerialChannel::WaitForCharacters() {
  DWORD mask = 0;
  DWORD ignored = 0;
  wait_overlapped_ = OVERLAPPED{};
  wait_overlapped_.hEvent = wait_event_;
  ResetEvent(wait_event_);
  BOOL ok = WaitCommEvent(port_, &mask, &wait_overlapped_);
  if (!ok && GetLastError() == ERROR_IO_PENDING) {
    if (!WaitUnlessStopped(wait_overlapped_)) return Wake::kStop;
    ok = GetOverlappedResult(port_, &wait_overlapped_, &ignored, FALSE);
  }
  if (StopRequested()) return Wake::kStop;
  if (!ok) return Wake::kUnsupported;
  return (mask & EV_RXCHAR) != 0 ? Wake::kData : Wake::kNothing;
}

bool SerialChannel::WaitUnlessStopped(OVERLAPPED& overlapped) {
  HANDLE handles[2] = {stop_event_, overlapped.hEvent};
  if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
    // The operation must be over before its OVERLAPPED is used again.
    CancelIoEx(port_, &overlapped);
    WaitForSingleObject(overlapped.hEvent, kCancelWaitMs);
    return false;
  }
  return true;
}

bool SerialChannel::ReadWaiting() {
  const std::size_t room = kPendingBytes - PendingSize();
  if (room == 0 || batch_count_ == kMaxBatches) return false;
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(port_, &errors, &status)) return false;
  const DWORD wanted = std::min<DWORD>({kInputQueueBytes, status.cbInQue, static_cast<DWORD>(room)});
  if (wanted == 0) return false;
  DWORD count = 0;
  if (!Read(wanted, count) || count == 0) return false;
  AddBatch(count);
  return true;
}

SerialChannel::Wake SerialChannel::ReadWithTimeout() {
  DWORD count = 0;
  const bool ok = Read(kInputQueueBytes, count);
  if (StopRequested()) return Wake::kStop;
  if (ok && count > 0) {
    AddBatch(count);
    return Wake::kData;
  }
  // ERROR_TIMEOUT (Wine) or TRUE with no byte (Windows) is the normal end of
  // a quiet period; anything else failed at once and must not spin.
  if (!ok && last_read_error_ != ERROR_TIMEOUT) {
    if (WaitForSingleObject(stop_event_, kReadErrorPauseMs) == WAIT_OBJECT_0) return Wake::kStop;
  }
  return Wake::kNothing;
}

bool SerialChannel::Read(DWORD wanted, DWORD& count) {
  count = 0;
  last_read_error_ = 0;
  read_overlapped_ = OVERLAPPED{};
  read_overlapped_.hEvent = read_event_;
  ResetEvent(read_event_);
  BOOL ok = ReadFile(port_, read_buffer_.data(), wanted, &count, &read_overlapped_);
  if (!ok && GetLastError() == ERROR_IO_PENDING) {
    if (!WaitUnlessStopped(read_overlapped_)) {
      count = 0;
      return false;
    }
    ok = GetOverlappedResult(port_, &read_overlapped_, &count, FALSE);
  }
  if (!ok) {
    last_read_error_ = GetLastError();
    count = 0;
    DWORD errors = 0;
    ClearCommError(port_, &errors, nullptr);
    return false;
  }
  return true;
}

std::size_t SerialChannel::PendingSize() const { return batch_count_ == 0 ? 0 : batch_ends_[batch_count_ - 1]; }

void SerialChannel::AddBatch(DWORD count) {
  const std::size_t begin = PendingSize();
  const std::size_t size = std::min<std::size_t>(count, kPendingBytes - begin);
  std::copy_n(read_buffer_.begin(), size, pending_.begin() + static_cast<std::ptrdiff_t>(begin));
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
  sink->DataArrived();
  // Closed (or closed and opened again) from inside the sink: that reader is
  // gone and a new one must not be released by this delivery.
  if (generation_ == generation) SetEvent(delivered_event_);
  return true;
}

}  // namespace kavorin
