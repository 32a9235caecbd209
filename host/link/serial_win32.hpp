#pragma once
// The Win32 serial channel: fills the serial seam on Windows.
//
// Open applies fixed line settings (the requested speed and framing,
// XON/XOFF both ways, DTR and RTS on) over the device-control state the
// driver reports, purges both directions and holds the device exclusively.
// A reader thread waits for received characters, reads what the driver
// holds and hands each drained set of batches to the loop (window) thread
// with kWmCatData; the window procedure passes that message to
// HandleCatData, where the sink runs. The reader waits until the window
// thread has handled the delivery, so the sink's queue is never touched by
// two threads at once.
//
// Stopping never depends on the reader's cooperation: every wait of the
// reader also watches a stop event, and the reader never blocks on the window
// thread (it posts its delivery and waits for an event), so Close works from
// inside SerialSink::DataArrived and while the reader waits for the device.
//
// No operation outlives what it writes to. Every OVERLAPPED, its event, the
// event mask WaitCommEvent fills and the read and write buffers live in one
// block of the channel (PortIo), never on a stack. An operation is ended by
// a means that completes it (SetCommMask with a new mask for a pending
// WaitCommEvent, CancelIoEx for reads and writes, closing the handle for
// everything) and then waited for. Should one still not complete, that block
// is left allocated for good, never reused, and the channel says so in its
// diagnostics: a leak of a few kilobytes instead of a driver writing into
// freed memory.
//
// Where the device cannot wait for events (a pty under Wine: WaitCommEvent
// completes at once with ERROR_OPERATION_ABORTED because the modem-status
// ioctl is not supported), the reader falls back to overlapped reads that
// block with a time-out: read-interval 20 ms, so a read completes shortly
// after bytes arrive, and a total time-out, so it comes back when none do.
// Where it can (a USB adapter), WaitCommEvent pends until a character comes.
//
// A device that goes away while open (a read or status error that means the
// handle no longer reaches a device) ends the reader and is reported to the
// sink as DeviceLost on the window thread.
#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "host/link/serial_port.hpp"

namespace kavorin {

// Received bytes are ready for the loop thread: wParam the delivery's
// generation, lParam the channel.
inline constexpr UINT kWmCatData = WM_USER + 101;

class SerialChannel final : public SerialPort {
 public:
  // Driver queue sizes; the input size is also the most one read takes.
  static constexpr DWORD kInputQueueBytes = 4096;
  static constexpr DWORD kOutputQueueBytes = 4096;
  // The link never sends more than one frame at a time.
  static constexpr std::size_t kMaxSendBytes = 8192;
  // Writes in a row that move no byte before Send gives up.
  static constexpr int kMaxSendAttemptsWithoutProgress = 3;
  // Total time-out of a read in the fallback mode, in milliseconds.
  static constexpr DWORD kTimedReadMs = 1000;
  // How long an operation that was asked to end may take to complete before
  // its buffers are given up for good.
  static constexpr DWORD kCompletionWaitMs = 1000;

  // `notifyWindow` receives kWmCatData; null means bytes are read and dropped.
  explicit SerialChannel(HWND notifyWindow);
  ~SerialChannel() override;
  SerialChannel(const SerialChannel&) = delete;
  SerialChannel& operator=(const SerialChannel&) = delete;

  // `name` goes to CreateFile as it is ("COM1", "\\.\COM12").
  bool Open(const std::string& name, const LineSettings& settings, SerialSink& sink) override;
  bool Send(std::span<const std::uint8_t> data) override;
  void Close() override;
  bool IsOpen() const override;

  // For the notify window's procedure: runs the sink for a kWmCatData that
  // belongs to this channel's current opening. Returns false (and does
  // nothing) for a message that is stale, from an earlier opening or for
  // another channel.
  bool HandleCatData(WPARAM wParam, LPARAM lParam);

  // Only while closed.
  void SetNotifyWindow(HWND window);

  // Why the last Open or Send failed, or a close step failed: the call, the
  // port and the OS error with its text, e.g. "CreateFile(COM9): error 2 ...".
  // Empty after a successful Open.
  const std::string& LastError() const { return last_error_; }
  std::string FailureText() const override { return last_error_; }
  // The open device handle, for diagnostics; INVALID_HANDLE_VALUE when closed.
  HANDLE NativeHandle() const { return port_; }
  // Whether the reader had to fall back to reads with a time-out.
  bool UsesTimedReads() const { return timed_reads_.load(); }
  // Operations that never completed, whose buffers were left allocated.
  int AbandonedOperations() const { return abandoned_operations_; }
  // Where the channel reports what a user of the host needs to know later:
  // operations abandoned, steps of Close that failed. Window thread.
  void SetDiagnostics(std::function<void(const std::string&)> sink) { diagnostics_ = std::move(sink); }
  // Each Send attempt waits at most this long for its write to complete
  // before cancelling it (the device's own write time-out is 1000 ms).
  void SetWriteWaitMs(DWORD milliseconds) { write_wait_ms_ = milliseconds; }

 private:
  enum class Wake { kStop, kData, kNothing, kUnsupported, kLost };

  // Pending batches: their bytes back to back, and where each one ends. At
  // most one delivery's worth; the reader stops draining when it is full.
  static constexpr std::size_t kPendingBytes = 8192 + kInputQueueBytes;
  static constexpr std::size_t kMaxBatches = 64;

  // One overlapped operation: what the system may write to until it
  // completes. `pending` is set between a start that returned
  // ERROR_IO_PENDING and the completion being collected.
  struct Operation {
    OVERLAPPED overlapped{};
    HANDLE event = nullptr;
    bool pending = false;
  };
  // Everything an operation in flight may touch, in one block that is freed
  // only when no operation is pending on it.
  struct PortIo {
    PortIo();
    ~PortIo();
    PortIo(const PortIo&) = delete;
    PortIo& operator=(const PortIo&) = delete;
    bool Ready() const { return wait.event != nullptr && read.event != nullptr && write.event != nullptr; }
    bool AnyPending() const { return wait.pending || read.pending || write.pending; }

    Operation wait;
    Operation read;
    Operation write;
    DWORD event_mask = 0;  // WaitCommEvent's output
    std::array<std::uint8_t, kInputQueueBytes + 1> read_buffer{};
    std::array<std::uint8_t, kMaxSendBytes> write_buffer{};
  };

  static DWORD WINAPI ReaderMain(LPVOID self);
  void RunReader();
  bool StopRequested() const;
  Wake WaitForCharacters();
  Wake ReadWaiting();
  Wake ReadWithTimeout();
  bool Read(DWORD wanted, DWORD& count);
  // Waits for `operation` to complete, or for the stop request; false when
  // stopped (the operation is then ended and waited for, see Finish).
  bool WaitUnlessStopped(Operation& operation, const std::function<void()>& end);
  // Ends `operation` by `end` and waits for it a bounded time; the result
  // is collected when it completes, else it stays pending.
  void Finish(Operation& operation, const std::function<void()>& end);
  bool Collect(Operation& operation, DWORD& count);
  static void Start(Operation& operation);
  bool IsDeviceGone(DWORD error) const;
  void ReportLost(const char* call, DWORD error);
  std::size_t PendingSize() const;
  void AddBatch(DWORD count);
  bool Deliver();
  bool Fail(const char* call, DWORD error);
  void ReleasePortLock();
  void NoteCloseFailure(const char* call, DWORD error);
  void Note(const std::string& text);
  void SettleOperations();

  HWND window_;
  SerialSink* sink_ = nullptr;
  std::string name_;
  std::string last_error_;
  std::function<void(const std::string&)> diagnostics_;
  HANDLE port_ = INVALID_HANDLE_VALUE;
  HANDLE reader_ = nullptr;
  HANDLE port_lock_ = nullptr;
  // The stop request and the end of a delivery (manual-reset).
  HANDLE stop_event_ = nullptr;
  HANDLE delivered_event_ = nullptr;
  std::unique_ptr<PortIo> io_;
  int abandoned_operations_ = 0;
  DWORD write_wait_ms_ = 3000;
  // Changes at every Open and Close, on the window thread only; a delivery
  // carries the value of its opening.
  WPARAM generation_ = 0;
  // The generation of the running reader's opening; set before it starts.
  WPARAM reader_generation_ = 0;
  // Reader thread only.
  DWORD last_read_error_ = 0;
  std::atomic<bool> timed_reads_{false};
  // Set by the reader before its last delivery when the device went away;
  // read by the window thread in HandleCatData.
  std::atomic<bool> lost_{false};
  std::string lost_reason_;

  std::array<std::uint8_t, kPendingBytes> pending_{};
  std::array<std::size_t, kMaxBatches> batch_ends_{};
  std::size_t batch_count_ = 0;
};

}  // namespace kavorin
