// The script's GrabData loop: calls GrabData into a bitmap, tells a filled
// bitmap from an untouched one, and keeps the last filled frame.
#ifndef VELMORA_TOOLS_FRAME_GRABBER_H_
#define VELMORA_TOOLS_FRAME_GRABBER_H_

#include <memory>
#include <ostream>

#include <opencv2/core/mat.hpp>

#include "host/host.h"
#include "tools/grab_tally.h"
#include "tools/run_options.h"

namespace velmora::tools {

class FrameGrabber {
 public:
  // `frameBuffer` is the extension's mCameraBitmapdata: the frame as it went
  // to the bitmap, which tells the size the camera really delivers.
  FrameGrabber(const RunOptions& options, host::Context& context, const cv::Mat& frameBuffer);

  // Runs every grab; false when a frame file could not be written.
  bool grabAll(std::ostream& out, std::ostream& err);

  const GrabTally& tally() const { return tally_; }
  // The bitmap of the last filled frame and its grab number, or null.
  const host::Bitmap* lastFilled() const { return lastFilled_.get(); }
  int64_t lastFilledGrab() const { return lastFilledGrab_; }

 private:
  GrabOutcome grabOnce();
  void resize(int width, int height);
  // What follows each outcome of grab number `grab`.
  void keepFilled(int64_t grab, std::ostream& err);
  void followSize(int64_t grab, std::ostream& out);
  void reportMissing(GrabOutcome outcome, int64_t grab, std::ostream& err);

  const RunOptions& options_;
  host::Context& context_;
  const cv::Mat& frameBuffer_;
  GrabTally tally_;
  // Grabs go to `next_`; once filled it becomes `lastFilled_` and the
  // other bitmap takes the next grab, so the last good frame survives an
  // unfilled grab.
  std::shared_ptr<host::Bitmap> next_;
  std::shared_ptr<host::Bitmap> lastFilled_;
  int64_t lastFilledGrab_ = 0;
  bool sizeNoted_ = false;
  bool noFrameNoted_ = false;
  bool faultNoted_ = false;
  bool filesWritten_ = true;
  double writingMilliseconds_ = 0.0;
};

}  // namespace velmora::tools

#endif  // VELMORA_TOOLS_FRAME_GRABBER_H_
