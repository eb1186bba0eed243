// The main form's definition read into a tree of test classes, and the writer
// and reader agreeing on a component with a property of every kind.
#include <gtest/gtest.h>

#include <memory>

#include "Registry.h"
#include "Runtime.h"
#include "StreamingClasses.h"

namespace streaming_test {
namespace {

TEST(RoundTrip, MainFormDefinitionBuildsTheTree) {
  TMainForm form(nullptr);
  TResourceStream stream(GetModuleHandleA(nullptr), "TMainForm", RT_RCDATA);
  stream.ReadComponentFrom(&form);
  EXPECT_EQ(stream.Position(), 884);
  EXPECT_EQ(form.Left, 193);
  EXPECT_EQ(form.Caption, "Sondrel");
  EXPECT_EQ(form.Font()->Height, -11);
  ASSERT_NE(form.ExitBtn, nullptr);
  EXPECT_EQ(form.ExitBtn->Name(), "ExitBtn");
  EXPECT_EQ(form.ExitBtn->Top, 136);
  ASSERT_NE(form.Label1, nullptr);
  EXPECT_EQ(form.Label1->Parent(), form.Panel1);
  EXPECT_EQ(form.Label1->Alignment, taCenter);
  EXPECT_FALSE(form.Label1->AutoSize);
  EXPECT_EQ(form.Panel1->BevelOuter, bvLowered);
  ASSERT_TRUE(form.Play1Btn->OnClick.Assigned());
  form.Play1Btn->OnClick(form.Play1Btn);
  ASSERT_EQ(form.Clicked.size(), 1u);
  EXPECT_EQ(form.Clicked[0].first, "Play1BtnClick");
}

}  // namespace
}  // namespace streaming_test

int main(int argc, char** argv) {
  InitRuntime();
  streaming_test::RegisterConverters();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
