// The desktop host is what every other test trusts to notice a broken rule of
// the runtime, so it is checked here against an extension that breaks each.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/host.h"

namespace velmora::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class HostStrictnessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    extension_ = Extension::load(VELMORA_PROBE_EXTENSION_PATH);
    context_ = &extension_->createContext("test");
    clearRecords();
  }

  // Rows padded by a word, so that writes into the padding can show.
  std::shared_ptr<Bitmap> bitmap() { return std::make_shared<Bitmap>(BitmapSpec{2, 2, 3}); }

  std::unique_ptr<Extension> extension_;
  Context* context_ = nullptr;
};

TEST_F(HostStrictnessTest, RecordsEachBrokenRule) {
  struct Case {
    const char* function;
    const char* misuse;
    const char* before = nullptr;  // called first, with arguments of its own
  };
  const Case cases[] = {
      {"keepsBitmapAcquired", "returned with a bitmap acquired"},
      {"releasesWithoutAcquire", "released a bitmap it had not acquired"},
      {"releasesTwice", "released a bitmap twice"},
      {"convertsWhileAcquired", "FREGetObjectAsInt32 called while a bitmap is acquired"},
      {"returnsAnObject", "returned an object other than null"},
      {"dispatchesOnAStrangeContext", "given a context that does not exist"},
      {"usesAForeignObject", "not an argument of the current call"},
      {"usesTheRemembered", "not an argument of the current call", "remembers"},
      {"givesNoPlaceForAnInteger", "FREGetObjectAsInt32 given a null place"},
      {"givesNoPlaceForADouble", "FREGetObjectAsDouble given a null place"},
      {"givesNoDescriptor", "FREAcquireBitmapData2 given a null descriptor"},
      {"writesBelowThePixels", "write outside the bitmap's pixels"},
      {"writesIntoThePadding", "write outside the bitmap's pixels"},
  };
  for (const Case& c : cases) {
    // Each call gets a vector of its own, built and freed around it, as the
    // tests' calls do: a new one may well reuse the last one's memory.
    if (c.before != nullptr) {
      context_->call(c.before, {Value::bitmap(bitmap()), Value::integer(1)});
    }
    clearRecords();
    context_->call(c.function, {Value::bitmap(bitmap()), Value::integer(1)});
    ASSERT_EQ(misuse().size(), 1u) << c.function;
    EXPECT_THAT(misuse()[0], HasSubstr(c.misuse)) << c.function;
    EXPECT_THAT(misuse()[0], HasSubstr(c.function));
  }
}

TEST_F(HostStrictnessTest, AWellBehavedCallLeavesNoMisuseAndQueuesItsEvent) {
  auto target = bitmap();
  std::vector<std::string> delivered;
  context_->setListener([&](const StatusEvent& e) { delivered.push_back(e.code + "/" + e.level); });
  context_->call("behaves", {Value::bitmap(target)});
  EXPECT_THAT(misuse(), IsEmpty());
  EXPECT_EQ(target->at(0, 0), 0xff010203u);
  EXPECT_THAT(delivered, IsEmpty());
  EXPECT_EQ(pendingEventCount(), 1u);
  EXPECT_EQ(pumpEvents(), 1u);
  EXPECT_THAT(delivered, ElementsAre("done/ok"));
  std::vector<std::string> names;
  for (const auto& op : operations()) names.push_back(op.operation);
  EXPECT_THAT(names, ElementsAre("FREAcquireBitmapData2", "FREReleaseBitmapData",
                                 "FREDispatchStatusEventAsync"));
}

TEST_F(HostStrictnessTest, EventsForADisposedContextAreDropped) {
  context_->call("behaves", {Value::null()});
  const FREContext disposed = context_->handle();
  extension_->disposeContext(*context_);
  // A context created next may take the disposed one's memory, never its
  // handle or its events.
  Context& next = extension_->createContext("test");
  EXPECT_NE(next.handle(), disposed);
  EXPECT_EQ(pumpEvents(), 0u);
  EXPECT_THAT(next.events(), IsEmpty());
}

TEST_F(HostStrictnessTest, AnEscapingExceptionIsRecordedAndEndsTheCall) {
  EXPECT_THROW(context_->call("throws"), std::runtime_error);
  EXPECT_THAT(misuse(), ElementsAre(HasSubstr("throws: let an exception escape")));
  clearRecords();
  auto target = bitmap();
  context_->call("behaves", {Value::bitmap(target)});
  EXPECT_THAT(misuse(), IsEmpty());
  EXPECT_EQ(target->at(0, 0), 0xff010203u);
}

TEST_F(HostStrictnessTest, EachNameGetsItsOwnFunctionData) {
  context_->call("reportsFirstData");
  context_->call("reportsSecondData");
  pumpEvents();
  std::vector<std::string> levels;
  for (const StatusEvent& e : context_->events()) levels.push_back(e.level);
  EXPECT_THAT(levels, ElementsAre("first", "second"));
}

// Outside the window between acquire and release the pixels are read-only
// while the extension runs, and writable again for the script afterwards.
TEST_F(HostStrictnessTest, AWriteAfterTheReleaseFaults) {
  auto target = bitmap();
  EXPECT_DEATH(context_->call("writesAfterRelease", {Value::bitmap(target)}), "");
  context_->call("behaves", {Value::bitmap(target)});
  target->words()[0] = 7u;
  EXPECT_EQ(target->at(0, 0), 7u);
}

TEST_F(HostStrictnessTest, WithTheGuardOffAWriteAfterTheReleaseGoesThrough) {
  setPixelGuard(false);
  auto target = bitmap();
  context_->call("writesAfterRelease", {Value::bitmap(target)});
  setPixelGuard(true);
  EXPECT_EQ(target->at(0, 0), 0x5a5a5a5au);
  EXPECT_THAT(misuse(), IsEmpty());
}

TEST_F(HostStrictnessTest, OperationsOutsideACallAreMisuse) {
  int32_t value = 0;
  EXPECT_EQ(FREGetObjectAsInt32(nullptr, &value), FRE_WRONG_THREAD);
  EXPECT_THAT(misuse(), ElementsAre(HasSubstr("outside an extension function")));
}

// Conversions as the host's documented rules give them, observed from
// inside an extension call.
TEST_F(HostStrictnessTest, ConvertsAsDocumented) {
  struct Case {
    Value value;
    FREResult asInt;
    FREResult asDouble;
    const char* seen;  // the integer, then the double, the extension got
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {Value::integer(-7), FRE_OK, FRE_OK, "-7 -7"},
      {Value::number(3.0), FRE_OK, FRE_OK, "3 3"},
      {Value::number(-2147483648.0), FRE_OK, FRE_OK, "-2147483648 -2.14748e+09"},
      {Value::number(2147483648.0), FRE_TYPE_MISMATCH, FRE_OK, "untouched 2.14748e+09"},
      {Value::number(0.5), FRE_TYPE_MISMATCH, FRE_OK, "untouched 0.5"},
      {Value::number(std::nan("")), FRE_TYPE_MISMATCH, FRE_OK, "untouched nan"},
      {Value::number(-inf), FRE_TYPE_MISMATCH, FRE_OK, "untouched -inf"},
      {Value::null(), FRE_TYPE_MISMATCH, FRE_TYPE_MISMATCH, "untouched untouched"},
      {Value::string("1"), FRE_TYPE_MISMATCH, FRE_TYPE_MISMATCH, "untouched untouched"},
      {Value::bitmap(bitmap()), FRE_TYPE_MISMATCH, FRE_TYPE_MISMATCH, "untouched untouched"},
  };
  for (const Case& c : cases) {
    clearRecords();
    context_->call("convertsFirstArgument", {c.value});
    EXPECT_THAT(misuse(), IsEmpty());
    ASSERT_EQ(operations().size(), 3u);
    EXPECT_EQ(operations()[0].argument, 0);
    EXPECT_EQ(operations()[0].result, c.asInt) << c.seen;
    EXPECT_EQ(operations()[1].result, c.asDouble) << c.seen;
    pumpEvents();
    EXPECT_EQ(context_->events().back().level, c.seen);
  }
}

TEST(HostBitmapTest, PixelMemoryEndsAtAGuardPage) {
  Bitmap bitmap(BitmapSpec{3, 2, 5, true, false, false, 0xabcdef01u});
  EXPECT_EQ(bitmap.wordCount(), 10u);
  for (uint32_t word : bitmap.snapshot()) EXPECT_EQ(word, 0xabcdef01u);
  EXPECT_DEATH(bitmap.words()[bitmap.wordCount()] = 0, "");
}

}  // namespace
}  // namespace velmora::host
