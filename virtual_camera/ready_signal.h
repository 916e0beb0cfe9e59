// Makes a device's descriptor readable exactly when a frame can be dequeued,
// so that select() and poll() work on it unwrapped.
//
// Each open device is a timerfd.  An armed timer that has expired stays
// readable until it is re-armed (nobody read()s it), so "ready now" is a
// timer that expired at the epoch, "ready at t" is a timer for t, and "not
// ready" is a disarmed timer.  The last state set is remembered so that the
// common case, a frame always ready, costs no system call per frame.
#ifndef VELMORA_VIRTUAL_CAMERA_READY_SIGNAL_H_
#define VELMORA_VIRTUAL_CAMERA_READY_SIGNAL_H_

#include <cstdint>

namespace velmora::vcam {

// CLOCK_MONOTONIC, in nanoseconds.
std::int64_t monotonic_now_ns();

class ReadySignal {
 public:
  void ready_now(int fd);
  void ready_at(int fd, std::int64_t monotonic_ns);
  void not_ready(int fd);
  // The next call arms the timer whatever was set before (a new descriptor).
  void forget() { state_ = State::kUnknown; }

 private:
  enum class State : std::uint8_t { kUnknown, kNotReady, kReady, kReadyAt };
  void arm(int fd, State state, std::int64_t at_ns);

  State state_ = State::kUnknown;
  std::int64_t at_ns_ = 0;
};

}  // namespace velmora::vcam

#endif  // VELMORA_VIRTUAL_CAMERA_READY_SIGNAL_H_
