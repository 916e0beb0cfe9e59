#include "tools/frame_grabber.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "tools/frame_png.h"

namespace velmora::tools {
namespace {

using Clock = std::chrono::steady_clock;

// The extension writes every pixel opaque, so a word whose alpha is still
// zero was not written by this grab.
constexpr uint32_t kUnwritten = 0x00000000u;
constexpr auto kQuietStart = std::chrono::seconds(2);
constexpr auto kProgressInterval = std::chrono::seconds(1);
// The host records every runtime operation; a long run drops the record
// now and then, as long as it shows no misuse to report.
constexpr int64_t kRecordDropInterval = 1000;

double millisecondsBetween(Clock::time_point start, Clock::time_point end) {
  return std::chrono::duration<double, std::milli>(end - start).count();
}

std::shared_ptr<host::Bitmap> makeBitmap(int width, int height) {
  host::BitmapSpec spec;
  spec.width = uint32_t(width);
  spec.height = uint32_t(height);
  spec.fill = kUnwritten;
  return std::make_shared<host::Bitmap>(spec);
}

bool sameSize(const host::Bitmap& bitmap, int width, int height) {
  return int(bitmap.width()) == width && int(bitmap.height()) == height;
}

std::string sizeText(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string sizeText(const host::Bitmap& bitmap) {
  return sizeText(int(bitmap.width()), int(bitmap.height()));
}

}  // namespace

FrameGrabber::FrameGrabber(const RunOptions& options, host::Context& context,
                           const cv::Mat& frameBuffer)
    : options_(options), context_(context), frameBuffer_(frameBuffer) {}

void FrameGrabber::resize(int width, int height) { next_ = makeBitmap(width, height); }

GrabOutcome FrameGrabber::grabOnce() {
  uint32_t* words = next_->words();
  const size_t count = next_->wordCount();
  std::fill(words, words + count, kUnwritten);
  const Clock::time_point start = Clock::now();
  context_.call("GrabData", {host::Value::bitmap(next_)});
  const double milliseconds = millisecondsBetween(start, Clock::now());

  const size_t unwritten =
      size_t(std::count_if(words, words + count, [](uint32_t w) { return (w >> 24) == 0; }));
  GrabOutcome outcome = GrabOutcome::kFault;
  if (unwritten == 0) {
    outcome = GrabOutcome::kFilled;
  } else if (unwritten == count && frameBuffer_.empty()) {
    outcome = GrabOutcome::kNoFrame;
  } else if (unwritten == count && !sameSize(*next_, frameBuffer_.cols, frameBuffer_.rows)) {
    outcome = GrabOutcome::kSizeMismatch;
  }
  tally_.add(outcome, milliseconds);
  return outcome;
}

void FrameGrabber::keepFilled(int64_t grab, std::ostream& err) {
  std::swap(next_, lastFilled_);
  lastFilledGrab_ = grab;
  if (!next_ || !sameSize(*next_, int(lastFilled_->width()), int(lastFilled_->height()))) {
    resize(int(lastFilled_->width()), int(lastFilled_->height()));
  }
  if (options_.every == 0 || grab % options_.every != 0) return;
  const Clock::time_point start = Clock::now();
  const std::string problem = writeBitmapPng(*lastFilled_, numberedPath(options_.output, grab));
  writingMilliseconds_ += millisecondsBetween(start, Clock::now());
  if (!problem.empty()) {
    err << problem << "\n";
    filesWritten_ = false;
  }
}

void FrameGrabber::followSize(int64_t grab, std::ostream& out) {
  const std::string delivered = sizeText(frameBuffer_.cols, frameBuffer_.rows);
  if (!options_.fixedSize) {
    out << "grab " << grab << ": the camera delivers " << delivered << " frames"
        << (options_.rotate ? " (turned)" : "") << ", not " << sizeText(*next_)
        << "; the bitmap now follows the size the extension's frame buffer"
           " (mCameraBitmapdata) shows\n";
    resize(frameBuffer_.cols, frameBuffer_.rows);
  } else if (!sizeNoted_) {
    out << "grab " << grab << ": the camera delivers " << delivered << " frames, the bitmap is "
        << sizeText(*next_) << ": such frames stay unfilled (--fixed-size)\n";
  }
  sizeNoted_ = true;
}

void FrameGrabber::reportMissing(GrabOutcome outcome, int64_t grab, std::ostream& err) {
  bool& noted = outcome == GrabOutcome::kNoFrame ? noFrameNoted_ : faultNoted_;
  if (noted) return;
  noted = true;
  if (outcome == GrabOutcome::kNoFrame) {
    err << "grab " << grab << ": the camera gave no frame\n";
  } else {
    err << "grab " << grab << ": the extension wrote the " << sizeText(*next_)
        << " bitmap only in part, or not at all although its size matched the frame\n";
  }
}

bool FrameGrabber::grabAll(std::ostream& out, std::ostream& err) {
  const int width = options_.rotate ? options_.height : options_.width;
  const int height = options_.rotate ? options_.width : options_.height;
  resize(width, height);
  out << "bitmap: " << sizeText(width, height) << (options_.rotate ? " (turned)" : "")
      << ", GrabData " << options_.frames << " times\n";

  const bool progressInPlace = isatty(STDERR_FILENO);
  bool progressShown = false;
  const Clock::time_point loopStart = Clock::now();
  Clock::time_point lastProgress = loopStart;
  for (int64_t grab = 1; grab <= options_.frames; ++grab) {
    const GrabOutcome outcome = grabOnce();
    if (outcome == GrabOutcome::kFilled) {
      keepFilled(grab, err);
    } else if (outcome == GrabOutcome::kSizeMismatch) {
      followSize(grab, out);
    } else {
      reportMissing(outcome, grab, err);
    }

    const Clock::time_point now = Clock::now();
    if (now - loopStart >= kQuietStart && now - lastProgress >= kProgressInterval) {
      lastProgress = now;
      tally_.setElapsed(millisecondsBetween(loopStart, now) - writingMilliseconds_);
      err << "  grabbed " << grab << " of " << options_.frames << ", filled "
          << tally_.count(GrabOutcome::kFilled) << ", " << int(tally_.filledPerSecond() + 0.5)
          << " frames per second" << (progressInPlace ? "   \r" : "\n") << std::flush;
      progressShown = true;
    }
    if (grab % kRecordDropInterval == 0 && host::misuse().empty()) host::clearRecords();
  }
  tally_.setElapsed(millisecondsBetween(loopStart, Clock::now()) - writingMilliseconds_);
  if (progressShown && progressInPlace) err << "\n";
  return filesWritten_;
}

}  // namespace velmora::tools
