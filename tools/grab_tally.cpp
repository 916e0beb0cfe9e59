#include "tools/grab_tally.h"

#include <algorithm>
#include <cmath>
#include <iomanip>

namespace velmora::tools {

void GrabTally::add(GrabOutcome outcome, double milliseconds) {
  ++counts_[static_cast<int>(outcome)];
  milliseconds_.push_back(milliseconds);
}

double GrabTally::percentile(double p) const {
  if (milliseconds_.empty()) return 0.0;
  std::vector<double> sorted = milliseconds_;
  const size_t rank = static_cast<size_t>(std::ceil(p / 100.0 * double(sorted.size())));
  const size_t index = rank == 0 ? 0 : rank - 1;
  std::nth_element(sorted.begin(), sorted.begin() + index, sorted.end());
  return sorted[index];
}

double GrabTally::filledPerSecond() const {
  if (elapsedMilliseconds_ <= 0.0) return 0.0;
  return double(count(GrabOutcome::kFilled)) * 1000.0 / elapsedMilliseconds_;
}

void GrabTally::report(std::ostream& out) const {
  const auto line = [&out](const char* label) -> std::ostream& {
    return out << "  " << std::left << std::setw(41) << label << std::right;
  };
  line("GrabData calls:") << grabs() << "\n";
  line("frames filled:") << count(GrabOutcome::kFilled) << "\n";
  line("unfilled, bitmap size did not match:") << count(GrabOutcome::kSizeMismatch) << "\n";
  line("unfilled, camera gave no frame:") << count(GrabOutcome::kNoFrame) << "\n";
  if (count(GrabOutcome::kFault) > 0) {
    line("written wrongly (partly or not at all):") << count(GrabOutcome::kFault) << "\n";
  }
  out << std::fixed << std::setprecision(2);
  line("GrabData median:") << percentile(50) << " ms\n";
  line("GrabData 95th percentile:") << percentile(95) << " ms\n";
  out << std::setprecision(1);
  line("frames per second:") << filledPerSecond() << "\n";
  out << std::defaultfloat;
}

}  // namespace velmora::tools
