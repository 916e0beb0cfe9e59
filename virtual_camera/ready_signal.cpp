#include "virtual_camera/ready_signal.h"

#include <sys/timerfd.h>
#include <time.h>

namespace velmora::vcam {

std::int64_t monotonic_now_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void ReadySignal::ready_now(int fd) { arm(fd, State::kReady, 1); }

void ReadySignal::ready_at(int fd, std::int64_t monotonic_ns) {
  arm(fd, State::kReadyAt, monotonic_ns > 0 ? monotonic_ns : 1);
}

void ReadySignal::not_ready(int fd) { arm(fd, State::kNotReady, 0); }

void ReadySignal::arm(int fd, State state, std::int64_t at_ns) {
  if (state == state_ && at_ns == at_ns_) return;
  itimerspec timer{};
  timer.it_value.tv_sec = static_cast<time_t>(at_ns / 1000000000);
  timer.it_value.tv_nsec = static_cast<long>(at_ns % 1000000000);
  // Setting the timer also drops any expiry not yet seen, which is what
  // makes a descriptor stop being readable once its frame is taken.
  timerfd_settime(fd, TFD_TIMER_ABSTIME, &timer, nullptr);
  state_ = state;
  at_ns_ = at_ns;
}

}  // namespace velmora::vcam
