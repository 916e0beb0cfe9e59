#include "tools/script_session.h"

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "host/host.h"
#include "tools/frame_grabber.h"
#include "tools/frame_png.h"

namespace velmora::tools {
namespace {

using host::Value;

// InitCam queues its status event at once; the wait only guards against an
// extension that never sends one.
constexpr auto kStatusEventWait = std::chrono::seconds(5);
constexpr char kCameraCreated[] = "NativeCamEventCreated";
constexpr char kCameraError[] = "NativeCamEventError";

// Pumps the event queue, as the runtime does between script frames, until
// the context has been sent an event.
std::optional<host::StatusEvent> awaitStatusEvent(host::Context& context) {
  const auto deadline = std::chrono::steady_clock::now() + kStatusEventWait;
  while (context.events().empty() && std::chrono::steady_clock::now() < deadline) {
    if (host::pumpEvents() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (context.events().empty()) return std::nullopt;
  return context.events().front();
}

// Opens the camera and reports the outcome; true when it opened.
bool openCamera(const RunOptions& options, host::Context& context, std::ostream& out,
                std::ostream& err) {
  context.call("InitCam", {Value::integer(options.camera)});
  out << "InitCam(" << options.camera << ")";
  const std::optional<host::StatusEvent> event = awaitStatusEvent(context);
  if (!event) {
    out << "\n";
    err << "InitCam sent no status event within " << kStatusEventWait.count() << " s\n";
    return false;
  }
  out << ": status event code " << event->code << ", level " << event->level << "\n";
  if (event->code == kCameraError) {
    err << "camera " << options.camera
        << " could not be opened (no such device, or it is in use)\n";
    return false;
  }
  if (event->code != kCameraCreated) {
    err << "InitCam answered with an unknown status event code " << event->code << "\n";
    return false;
  }
  return true;
}

void setUpCamera(const RunOptions& options, host::Context& context, std::ostream& out) {
  const double rotation = options.rotate ? 1.0 : 0.0;
  const int32_t overlay = options.overlay ? 1 : 0;
  context.call("SetCamInfo",
               {Value::integer(options.width), Value::integer(options.height),
                Value::number(rotation), Value::integer(options.flip), Value::integer(overlay)});
  out << "SetCamInfo(" << options.width << ", " << options.height << ", " << rotation << ", "
      << options.flip << ", " << overlay << ")\n";
  if (options.whiteBalance) {
    context.call("SetCamWhiteBalance", {Value::integer(*options.whiteBalance)});
    out << "SetCamWhiteBalance(" << *options.whiteBalance << ")\n";
  }
}

// What the run produced, once the camera is closed and the library gone.
bool reportFrames(const RunOptions& options, const FrameGrabber& grabber, std::ostream& out,
                  std::ostream& err) {
  grabber.tally().report(out);
  const host::Bitmap* last = grabber.lastFilled();
  bool good = true;
  if (last == nullptr) {
    err << "no frame was filled\n";
    good = false;
  } else if (!options.output.empty()) {
    const std::string problem = writeBitmapPng(*last, options.output);
    if (problem.empty()) {
      out << "wrote " << options.output << " (" << last->width() << "x" << last->height()
          << ", grab " << grabber.lastFilledGrab() << ")\n";
    } else {
      err << problem << "\n";
      good = false;
    }
  }
  if (grabber.tally().count(GrabOutcome::kFault) > 0) good = false;
  return good;
}

bool reportMisuse(std::ostream& err) {
  if (host::misuse().empty()) return true;
  err << "the extension broke the runtime's rules:\n";
  for (const std::string& breach : host::misuse()) err << "  " << breach << "\n";
  return false;
}

}  // namespace

int playScript(const RunOptions& options, std::ostream& out, std::ostream& err) {
  std::unique_ptr<host::Extension> extension;
  try {
    extension = host::Extension::load(options.library);
  } catch (const std::exception& e) {
    err << "cannot load the extension " << options.library << ": " << e.what() << "\n";
    return 1;
  }
  const auto* frameBuffer = static_cast<const cv::Mat*>(extension->symbol("mCameraBitmapdata"));
  if (frameBuffer == nullptr) {
    err << options.library << " exports no mCameraBitmapdata; it is not the camera extension\n";
    return 1;
  }
  out << "extension: " << options.library << "\n";

  host::Context& context = extension->createContext("");
  std::optional<FrameGrabber> grabber;
  bool good = openCamera(options, context, out, err);
  if (good) {
    setUpCamera(options, context, out);
    grabber.emplace(options, context, *frameBuffer);
    try {
      good = grabber->grabAll(out, err);
    } catch (const std::exception& e) {
      err << "grabbing stopped: " << e.what() << "\n";
      good = false;
    }
  }
  context.call("ReleaseCam");
  out << "ReleaseCam()\n";
  extension->disposeContext(context);
  extension.reset();

  if (grabber && !reportFrames(options, *grabber, out, err)) good = false;
  if (!reportMisuse(err)) good = false;
  return good ? 0 : 1;
}

}  // namespace velmora::tools
