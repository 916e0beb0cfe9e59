// What became of each GrabData call, and how long it took.
#ifndef VELMORA_TOOLS_GRAB_TALLY_H_
#define VELMORA_TOOLS_GRAB_TALLY_H_

#include <cstdint>
#include <ostream>
#include <vector>

namespace velmora::tools {

enum class GrabOutcome {
  kFilled,        // every pixel of the bitmap was written
  kSizeMismatch,  // untouched: the frame's size was not the bitmap's
  kNoFrame,       // untouched: the camera gave no frame
  kFault,         // partly written, or untouched although the sizes matched
};

class GrabTally {
 public:
  void add(GrabOutcome outcome, double milliseconds);
  // The time the whole loop took, less any spent writing files.
  void setElapsed(double milliseconds) { elapsedMilliseconds_ = milliseconds; }

  int64_t count(GrabOutcome outcome) const { return counts_[static_cast<int>(outcome)]; }
  int64_t grabs() const { return static_cast<int64_t>(milliseconds_.size()); }
  // The p-th percentile (0 to 100, nearest rank) of the time per GrabData.
  double percentile(double p) const;
  // Filled frames per second of the elapsed time; 0 before it is set.
  double filledPerSecond() const;

  void report(std::ostream& out) const;

 private:
  int64_t counts_[4] = {};
  std::vector<double> milliseconds_;
  double elapsedMilliseconds_ = 0.0;
};

}  // namespace velmora::tools

#endif  // VELMORA_TOOLS_GRAB_TALLY_H_
