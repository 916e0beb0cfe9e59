// velmora-camera-run run as a process, the way people run it: it preloads
// the virtual camera into itself, plays the script through the host and
// writes PNG files, whose pixels are checked against the gradient pattern.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "tests/support/expected_frames.h"
#include "tests/support/oriented_pattern.h"

extern char** environ;

namespace velmora::testing {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

struct Finished {
  int exitCode = -1;  // -1 when the command did not exit normally
  std::string out;
  std::string err;
};

std::string readText(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The overlay as the extension draws it on a frame after turning and
// flipping it (the settings of OverlayTest in frame_delivery_test.cpp).
cv::Mat withOverlay(cv::Mat frame) {
  const std::string text = "Display performance: " + std::to_string(frame.cols) + " x " +
                           std::to_string(frame.rows) + " ";
  cv::putText(frame, text, cv::Point(8, 64), cv::FONT_HERSHEY_COMPLEX_SMALL, 1.0,
              cv::Scalar(0, 255, 0, 255), 1, cv::LINE_8, false);
  return frame;
}

// A report line of the command, e.g. "frames filled:   3".
::testing::Matcher<std::string> reports(const std::string& label, int64_t count) {
  return ContainsRegex("\n *" + label + ": +" + std::to_string(count) + "\n");
}

class CameraRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(access(VELMORA_CAMERA_RUN_PATH, X_OK), 0)
        << "the command " << VELMORA_CAMERA_RUN_PATH << " is not built";
    ASSERT_EQ(access(VELMORA_VIRTUAL_CAMERA_PATH, R_OK), 0)
        << "the virtual camera " << VELMORA_VIRTUAL_CAMERA_PATH << " is not built";
    std::string pattern = (std::filesystem::temp_directory_path() / "demo-command-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }

  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string file(const std::string& name) const { return (folder_ / name).string(); }

  // Runs the command with `args` on the virtual camera's gradient pattern;
  // `environment` adds to or replaces variables of this process's.
  Finished run(const std::vector<std::string>& args,
               const std::vector<std::string>& environment = {}) const {
    std::vector<std::string> variables = {"VELMORA_VCAM_PATTERN=gradient"};
    variables.insert(variables.end(), environment.begin(), environment.end());
    for (char** inherited = environ; *inherited != nullptr; ++inherited) {
      const std::string variable = *inherited;
      const std::string name = variable.substr(0, variable.find('=') + 1);
      bool replaced = false;
      for (const std::string& own : variables) replaced = replaced || own.rfind(name, 0) == 0;
      if (!replaced) variables.push_back(variable);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);

    std::vector<std::string> words = {VELMORA_CAMERA_RUN_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    const std::string out = file("stdout");
    const std::string err = file("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    Finished finished;
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(spawned);
      return finished;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) finished.exitCode = WEXITSTATUS(status);
    finished.out = readText(out);
    finished.err = readText(err);
    return finished;
  }

  static cv::Mat png(const std::string& path) { return cv::imread(path, cv::IMREAD_COLOR); }

 private:
  std::filesystem::path folder_;
};

struct PictureCase {
  Orientation orientation;
  bool overlay;
};

void PrintTo(const PictureCase& c, std::ostream* out) {
  *out << describe(c.orientation) << (c.overlay ? ", overlay" : "");
}

class CameraRunPictureTest : public CameraRunTest,
                             public ::testing::WithParamInterface<PictureCase> {};

TEST_P(CameraRunPictureTest, TheLastFrameIsWrittenTurnedFlippedAndOverlaid) {
  const auto [o, overlay] = GetParam();
  constexpr int kWidth = 320;
  constexpr int kHeight = 240;
  constexpr int kFrames = 3;
  std::vector<std::string> args = {"--virtual-camera", "on",
                                   "--size",           "320x240",
                                   "--flip",           std::to_string(o.flip),
                                   "--frames",         std::to_string(kFrames),
                                   "--output",         file("frame.png")};
  if (o.rotate) args.push_back("--rotate");
  if (overlay) args.push_back("--overlay");
  const Finished finished = run(args);
  ASSERT_EQ(finished.exitCode, 0) << finished.out << finished.err;
  EXPECT_THAT(finished.out, reports("frames filled", kFrames));
  EXPECT_THAT(finished.out, reports("unfilled, bitmap size did not match", 0));
  EXPECT_THAT(finished.out, HasSubstr("InitCam(0): status event code NativeCamEventCreated"));

  // OpenCV's capture drops the stream's frame 0, so grab k shows frame k.
  cv::Mat expected = orientedPattern(o, kWidth, kHeight, kFrames);
  if (overlay) expected = withOverlay(expected);
  EXPECT_TRUE(same_pixels(png(file("frame.png")), expected)) << describe(o);
}

INSTANTIATE_TEST_SUITE_P(Settings, CameraRunPictureTest,
                         ::testing::Values(PictureCase{{true, -1}, true},
                                           PictureCase{{false, 1}, true},
                                           PictureCase{{true, 1}, false},
                                           PictureCase{{false, 0}, false}),
                         [](const auto& info) {
                           const PictureCase& c = info.param;
                           return std::string(c.orientation.rotate ? "Rotated" : "Upright") +
                                  "Flip" + (c.orientation.flip < 0 ? "Minus" : "") +
                                  std::to_string(std::abs(c.orientation.flip)) +
                                  (c.overlay ? "WithOverlay" : "");
                         });

TEST_F(CameraRunTest, EveryKthGrabIsWrittenUnderItsNumber) {
  const Finished finished = run({"--virtual-camera", "on", "--size", "64x48", "--frames", "5",
                                 "--every", "2", "--output", file("frame.png")});
  ASSERT_EQ(finished.exitCode, 0) << finished.out << finished.err;
  for (const int grab : {2, 4}) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04d.png", grab);
    EXPECT_TRUE(same_pixels(png(file(name)), orientedPattern({false, 1}, 64, 48, grab))) << name;
  }
  for (const char* absent : {"frame-0001.png", "frame-0003.png", "frame-0005.png"}) {
    EXPECT_FALSE(std::filesystem::exists(file(absent))) << absent;
  }
  EXPECT_TRUE(same_pixels(png(file("frame.png")), orientedPattern({false, 1}, 64, 48, 5)));
}

// What becomes of each grab when the camera does not deliver what was asked.
struct DeliveryCase {
  const char* name;
  std::string faults;  // VELMORA_VCAM_FAULTS
  std::vector<std::string> args;
  int filled, sizeMismatch, noFrame;
  int exitCode;
  cv::Size picture;  // of the last filled frame; empty when none was filled
  int pictureFrame;
};

void PrintTo(const DeliveryCase& c, std::ostream* out) { *out << c.name; }

class CameraRunDeliveryTest : public CameraRunTest,
                              public ::testing::WithParamInterface<DeliveryCase> {};

TEST_P(CameraRunDeliveryTest, UnfilledGrabsAreCountedByTheirCause) {
  const DeliveryCase& c = GetParam();
  std::vector<std::string> args = {"--virtual-camera", "on", "--frames", "4", "--output",
                                   file("frame.png")};
  args.insert(args.end(), c.args.begin(), c.args.end());
  const Finished finished = run(args, {"VELMORA_VCAM_FAULTS=" + c.faults});
  EXPECT_EQ(finished.exitCode, c.exitCode) << finished.out << finished.err;
  EXPECT_THAT(finished.out, reports("frames filled", c.filled));
  EXPECT_THAT(finished.out, reports("unfilled, bitmap size did not match", c.sizeMismatch));
  EXPECT_THAT(finished.out, reports("unfilled, camera gave no frame", c.noFrame));
  if (c.picture.empty()) {
    EXPECT_THAT(finished.err, HasSubstr("no frame was filled"));
    EXPECT_FALSE(std::filesystem::exists(file("frame.png")));
    return;
  }
  // The pattern is drawn at the delivered size, before the turn.
  const bool rotated = std::find(args.begin(), args.end(), "--rotate") != args.end();
  const cv::Size captured = rotated ? cv::Size(c.picture.height, c.picture.width) : c.picture;
  EXPECT_TRUE(same_pixels(
      png(file("frame.png")),
      orientedPattern({rotated, 1}, captured.width, captured.height, uint64_t(c.pictureFrame))));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraRunDeliveryTest,
    ::testing::Values(
        // The first grab shows the camera's own size; the bitmap follows it.
        DeliveryCase{"ClampedSizeIsFollowed",
                     "0:max-size=160x120",
                     {"--size", "320x240", "--rotate"},
                     3,
                     1,
                     0,
                     0,
                     {120, 160},
                     4},
        DeliveryCase{"ClampedSizeWithAFixedBitmap",
                     "0:max-size=160x120",
                     {"--size", "320x240", "--fixed-size"},
                     0,
                     4,
                     0,
                     1,
                     {},
                     0},
        // Frame 0 goes to the dropped start of the stream: two grabs show
        // frames 1 and 2 before the camera disappears.
        DeliveryCase{
            "CameraDisappears", "0:disconnect=3", {"--size", "64x48"}, 2, 0, 2, 0, {64, 48}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

// A command line it cannot use: a message naming the problem and status 2,
// before any camera is touched.
struct BadCommandLine {
  std::vector<std::string> args;
  std::string message;
};

void PrintTo(const BadCommandLine& c, std::ostream* out) {
  for (size_t i = 0; i < c.args.size(); ++i) *out << (i > 0 ? " " : "") << c.args[i];
}

class CameraRunCommandLineTest : public CameraRunTest,
                                 public ::testing::WithParamInterface<BadCommandLine> {};

TEST_P(CameraRunCommandLineTest, IsRefusedWithAMessage) {
  const Finished finished = run(GetParam().args);
  EXPECT_EQ(finished.exitCode, 2) << finished.out << finished.err;
  EXPECT_THAT(finished.err, HasSubstr(GetParam().message));
  EXPECT_THAT(finished.err, HasSubstr("Try 'velmora-camera-run --help'."));
  EXPECT_THAT(finished.out, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraRunCommandLineTest,
    ::testing::Values(BadCommandLine{{"--size", "0x0"}, "--size: '0x0' is not WIDTHxHEIGHT"},
                      BadCommandLine{{"--size", "640"}, "--size: '640' is not"},
                      BadCommandLine{{"--size", "640x"}, "--size: '640x' is not"},
                      BadCommandLine{{"--size", "wide x high"}, "--size: 'wide x high' is not"},
                      BadCommandLine{{"--size", "99999x480"}, "--size: '99999x480' is not"},
                      BadCommandLine{{"--size", "640x480x3"}, "--size: '640x480x3' is not"},
                      BadCommandLine{{"--frames", "ten"}, "--frames: 'ten' is not a whole number"},
                      BadCommandLine{{"--frames", "0"}, "--frames: '0' is not"},
                      BadCommandLine{{"--frames", "2.5"}, "--frames: '2.5' is not"},
                      BadCommandLine{{"--frames", "99999999999"}, "--frames: '99999999999' is not"},
                      BadCommandLine{{"--frames="}, "--frames: '' is not"},
                      BadCommandLine{{"--camera", "-1"}, "--camera: '-1' is not"},
                      BadCommandLine{{"--flip", "mirror"}, "--flip: 'mirror' is not"},
                      BadCommandLine{{"--white-balance", "8"}, "--white-balance: '8' is not"},
                      BadCommandLine{{"--virtual-camera", "maybe"},
                                     "'maybe' is not auto, on or off"},
                      BadCommandLine{{"--virtual-fps", "0"}, "--virtual-fps: '0' is not"},
                      BadCommandLine{{"--output"}, "--output needs a value"},
                      BadCommandLine{{"--size", "320x240", "--frames"}, "--frames needs a value"},
                      BadCommandLine{{"--bogus"}, "unknown option '--bogus'"},
                      BadCommandLine{{"-x"}, "unknown option '-x'"},
                      BadCommandLine{{"--rotate=yes"}, "--rotate takes no value"},
                      BadCommandLine{{"frame.png"}, "unexpected argument 'frame.png'"},
                      BadCommandLine{{"--every", "5"}, "--every needs --output"}));

// Failures a person can act on: status 1 and what went wrong in words.
struct FailedRun {
  const char* name;
  std::vector<std::string> args;  // "{}" stands for the test's folder
  std::string message;
};

void PrintTo(const FailedRun& c, std::ostream* out) { *out << c.name; }

class CameraRunFailureTest : public CameraRunTest,
                             public ::testing::WithParamInterface<FailedRun> {};

TEST_P(CameraRunFailureTest, SaysWhatWentWrong) {
  std::ofstream(file("not-a-library.so")) << "text, not a shared library\n";
  std::vector<std::string> args = {"--virtual-camera", "on", "--frames", "2"};
  for (std::string arg : GetParam().args) {
    if (const size_t at = arg.find("{}"); at != arg.npos) arg.replace(at, 2, file(""));
    args.push_back(arg);
  }
  const Finished finished = run(args);
  EXPECT_EQ(finished.exitCode, 1) << finished.out << finished.err;
  EXPECT_THAT(finished.err, HasSubstr(GetParam().message));
  EXPECT_THAT(finished.out, Not(HasSubstr("frames filled")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraRunFailureTest,
    ::testing::Values(
        FailedRun{"NoSuchCamera",
                  {"--camera", "3"},
                  "camera 3 could not be opened (no such device, or it is in use)"},
        FailedRun{"MissingExtension", {"--library", "{}missing.so"}, "cannot load the extension"},
        FailedRun{"MissingVirtualCamera",
                  {"--virtual-camera-library", "{}missing.so"},
                  "missing.so is missing"},
        // The loader ignores a preload it cannot load; the command must stop
        // rather than start itself again and again.
        FailedRun{"VirtualCameraThatDoesNotLoad",
                  {"--virtual-camera-library", "{}not-a-library.so"},
                  "not-a-library.so could not be preloaded"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::testing
