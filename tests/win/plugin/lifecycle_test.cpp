// Creating and deleting objects through the two exports.
#include "plugin_fixture.h"

namespace kdv_test {
namespace {

using LifecycleTest = PluginTest;

TEST_F(LifecycleTest, CreateAnnouncesTheConstructor) {
  ClearTrace();
  void* object = NewObject();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(TraceLines(), std::vector<std::string>{"KDV6200Plugin(): start\n"});
}

TEST_F(LifecycleTest, DeleteAnnouncesTheDestructor) {
  void* object = Library().Create();
  ASSERT_NE(object, nullptr);
  ClearTrace();
  Library().Delete(object);
  EXPECT_EQ(TraceLines(), std::vector<std::string>{"~KDV6200Plugin(): start\n"});
}

TEST_F(LifecycleTest, DeletingNullDoesNothing) {
  ClearTrace();
  Library().Delete(nullptr);
  EXPECT_TRUE(TraceLines().empty());
}

TEST_F(LifecycleTest, TwoObjectsAreIndependent) {
  void* first = NewInitialisedObject();
  void* second = NewInitialisedObject();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(SlotTable(first), SlotTable(second)) << "one class, one table";

  Library().Delete(first);
  Forget(first);
  ClearTrace();
  EXPECT_TRUE(SlotOf<slot::NoArguments>(second, 19)(second));
  EXPECT_TRUE(SlotOf<slot::NoArguments>(second, 21)(second));
  EXPECT_EQ(TraceLines(), (std::vector<std::string>{"vpiEject(): start\n", "vpiWritePrinter(): start\n"}));
}

TEST_F(LifecycleTest, ManyObjectsComeAndGo) {
  // Objects are freed by the library's own allocator: a mismatch would show as heap
  // corruption over many rounds.
  for (int round = 0; round < 200; ++round) {
    void* object = Library().Create();
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(SlotOf<slot::NoArguments>(object, 20)(object));
    Library().Delete(object);
  }
  ClearTrace();
}

}  // namespace
}  // namespace kdv_test
