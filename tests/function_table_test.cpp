// The binding between the runtime and the extension: the entry points and the
// function table every context receives.
#include <cstring>

#include "tests/support/extension_fixture.h"

namespace velmora::testing {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> tableNames(const host::Context& context) {
  std::vector<std::string> names;
  for (uint32_t i = 0; i < context.functionCount(); ++i) {
    names.emplace_back(reinterpret_cast<const char*>(context.table()[i].name));
  }
  return names;
}

using FunctionTableTest = ExtensionTest;

TEST_F(FunctionTableTest, HoldsTheFiveFunctionsByTheirSymbolNames) {
  ASSERT_EQ(context().functionCount(), 5u);
  EXPECT_THAT(tableNames(context()),
              ElementsAre("InitCam", "SetCamInfo", "GrabData", "ReleaseCam", "SetCamWhiteBalance"));
  for (uint32_t i = 0; i < 5; ++i) {
    const FRENamedFunction& entry = context().table()[i];
    const char* name = reinterpret_cast<const char*>(entry.name);
    EXPECT_EQ(entry.functionData, nullptr) << name;
    EXPECT_EQ(reinterpret_cast<void*>(entry.function), extension().symbol(name)) << name;
  }
}

TEST_F(FunctionTableTest, EveryContextGetsItsOwnTableWithTheSameContent) {
  host::Context& second = extension().createContext("camera");
  ASSERT_EQ(second.functionCount(), 5u);
  EXPECT_NE(second.table(), context().table());
  for (uint32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(second.table()[i].name, context().table()[i].name);
    EXPECT_EQ(second.table()[i].functionData, context().table()[i].functionData);
    EXPECT_EQ(second.table()[i].function, context().table()[i].function);
  }
}

TEST_F(FunctionTableTest, TheContextTypeDoesNotMatter) {
  for (const char* type : {"", static_cast<const char*>(nullptr), "anything else"}) {
    host::Context& other = extension().createContext(type);
    EXPECT_EQ(tableNames(other), tableNames(context()));
  }
}

TEST_F(FunctionTableTest, DisposingOfAContextLeavesTheOthersUsable) {
  host::Context& second = extension().createContext("camera");
  const FRENamedFunction* table = context().table();
  extension().disposeContext(second);
  EXPECT_STREQ(reinterpret_cast<const char*>(table[2].name), "GrabData");
  EXPECT_EQ(call("ReleaseCam"), nullptr);
}

TEST_F(FunctionTableTest, ExtInitializerHandsOverNoExtensionDataAndTheContextCallbacks) {
  EXPECT_EQ(extension().extData(), nullptr);
  auto initializer = reinterpret_cast<FREInitializer>(extension().symbol("ExtInitializer"));
  ASSERT_NE(initializer, nullptr);
  int stale = 0;
  void* extData = &stale;
  FREContextInitializer contextInitializer = nullptr;
  FREContextFinalizer contextFinalizer = nullptr;
  initializer(&extData, &contextInitializer, &contextFinalizer);
  EXPECT_EQ(extData, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(contextInitializer), extension().symbol("ContextInitializer"));
  EXPECT_EQ(reinterpret_cast<void*>(contextFinalizer), extension().symbol("ContextFinalizer"));
  EXPECT_TRUE(host::operations().empty());
}

TEST_F(FunctionTableTest, FinalizersChangeNothing) {
  running() = false;
  auto extFinalizer = reinterpret_cast<FREFinalizer>(extension().symbol("ExtFinalizer"));
  auto contextFinalizer =
      reinterpret_cast<FREContextFinalizer>(extension().symbol("ContextFinalizer"));
  extFinalizer(nullptr);
  contextFinalizer(context().handle());
  EXPECT_EQ(context().functionCount(), 5u);
  EXPECT_TRUE(host::operations().empty());
  EXPECT_EQ(call("ReleaseCam"), nullptr);
}

}  // namespace
}  // namespace velmora::testing
