// The main form's definition read into a tree of test classes, and the writer
// and reader agreeing: on components with a property of every kind, and on the
// main form written back and read again.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DefinitionBuilder.h"
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

// What the writer puts out for `root` without an ancestor.
String WrittenDefinition(TComponent* root) {
  TMemoryStream stream;
  {
    TWriter writer(stream, 256);
    writer.WriteRootDefinition(root, nullptr);
  }
  return BytesOf(stream);
}

void ReadDefinition(const String& bytes, TComponent* root) {
  TKeepRootNames keep;
  TDefStream stream(bytes);
  stream.ReadComponentFrom(root);
  EXPECT_EQ(stream.Position(), stream.Size());
}

void SetEveryKind(TKindsRoot& root, TEveryKind& e, TEveryKind& sibling) {
  e.SetTag(42);
  e.Int8 = -5;
  e.UInt8 = 200;
  e.Int16 = -3000;
  e.UInt16 = 60000;
  e.Int32 = -100000;
  e.NoDefaultInt = 7;
  e.Color = 0x000080;
  e.Char = 'z';
  e.Kind = kdThird;
  e.Flag = true;
  e.Smalls = 1 << smB | 1 << smD;
  e.Single = 1.5f;
  e.Double = -2.25e10;
  e.Extended = 3.0L / 7.0L;
  e.Comp = 1234567890123LL;
  e.Currency = TCurrency{123456789};
  e.ShortText = "short text";
  e.Text = String(300, 't') + "\r\nend";
  e.Reference = &sibling;
  e.Font()->Charset = 0;
  e.Font()->Color = 0x123456;
  e.Font()->Height = -20;
  e.Font()->Name = "Arial";
  e.Font()->Style = 1 | 8;
  for (int i = 0; i < 3; ++i) {
    auto* item = static_cast<TItem*>(e.Items()->Add());
    item->Value = 1000 * i - 1;
    item->Text = "item " + std::to_string(i);
  }
  for (const char* line : {"first", "", "third"}) e.Lines()->Add(line);
  e.OnEvent = TNotifyEvent::Of<&TKindsRoot::Handler>(&root);
  e.Indexed[0] = 4;
  e.Indexed[2] = -9;
  e.Binary = String("\0bin\0\0ary\0", 10);
}

TEST(RoundTrip, EveryKindWritesReadsAndWritesTheSameBytes) {
  TKindsRoot root(nullptr);
  root.Rename("Kinds");
  auto* a = new TEveryKind(&root);
  auto* b = new TEveryKind(&root);
  a->Rename("A");
  b->Rename("B");
  SetEveryKind(root, *a, *b);
  b->Reference = a;
  const String first = WrittenDefinition(&root);

  TKindsRoot copy(nullptr);
  ReadDefinition(first, &copy);
  EXPECT_EQ(WrittenDefinition(&copy), first);

  auto* ca = static_cast<TEveryKind*>(copy.FindOwned("A"));
  auto* cb = static_cast<TEveryKind*>(copy.FindOwned("B"));
  ASSERT_NE(ca, nullptr);
  ASSERT_NE(cb, nullptr);
  EXPECT_EQ(copy.Name(), "Kinds");
  EXPECT_EQ(ca->Tag(), 42);
  EXPECT_EQ(ca->Int8, -5);
  EXPECT_EQ(ca->UInt16, 60000);
  EXPECT_EQ(ca->Int32, -100000);
  EXPECT_EQ(ca->Color, 0x000080);
  EXPECT_EQ(ca->Char, 'z');
  EXPECT_EQ(ca->Kind, kdThird);
  EXPECT_TRUE(ca->Flag);
  EXPECT_EQ(ca->Smalls, 1 << smB | 1 << smD);
  EXPECT_EQ(ca->Single, 1.5f);
  EXPECT_EQ(ca->Double, -2.25e10);
  EXPECT_EQ(ca->Extended, 3.0L / 7.0L);
  EXPECT_EQ(ca->Comp, 1234567890123LL);
  EXPECT_EQ(ca->Currency, TCurrency{123456789});
  EXPECT_EQ(ca->ShortText, "short text");
  EXPECT_EQ(ca->Text, a->Text);
  EXPECT_EQ(ca->Reference, cb);
  EXPECT_EQ(cb->Reference, ca);
  EXPECT_EQ(ca->Font()->Charset, 0);
  EXPECT_EQ(ca->Font()->Color, 0x123456);
  EXPECT_EQ(ca->Font()->Name, "Arial");
  EXPECT_EQ(ca->Font()->Style, 1 | 8);
  ASSERT_EQ(ca->Items()->Count(), 3);
  EXPECT_EQ(static_cast<TItem*>(ca->Items()->Items(2))->Value, 1999);
  EXPECT_EQ(static_cast<TItem*>(ca->Items()->Items(0))->Text, "item 0");
  EXPECT_TRUE(ca->Lines()->Equals(*a->Lines()));
  EXPECT_EQ(ca->OnEvent, TNotifyEvent::Of<&TKindsRoot::Handler>(&copy));
  EXPECT_EQ(ca->Indexed[0], 4);
  EXPECT_EQ(ca->Indexed[2], -9);
  EXPECT_EQ(ca->Binary, a->Binary);
}

void ExpectSameControls(const TControl& a, const TControl& b, const TComponent& rootA,
                        const TComponent& rootB) {
  SCOPED_TRACE(a.Name());
  EXPECT_EQ(a.ClassName(), b.ClassName());
  EXPECT_EQ(a.Name(), b.Name());
  EXPECT_EQ(a.Left, b.Left);
  EXPECT_EQ(a.Top, b.Top);
  EXPECT_EQ(a.Width, b.Width);
  EXPECT_EQ(a.Height, b.Height);
  EXPECT_EQ(a.Caption, b.Caption);
  EXPECT_EQ(a.TabOrder, b.TabOrder);
  EXPECT_EQ(a.ParentFont, b.ParentFont);
  EXPECT_EQ(a.Font()->Charset, b.Font()->Charset);
  EXPECT_EQ(a.Font()->Color, b.Font()->Color);
  EXPECT_EQ(a.Font()->Height, b.Font()->Height);
  EXPECT_EQ(a.Font()->Name, b.Font()->Name);
  EXPECT_EQ(a.Font()->Style, b.Font()->Style);
  EXPECT_EQ(a.OnClick.Method.Code, b.OnClick.Method.Code);
  if (a.OnClick.Assigned()) {
    EXPECT_EQ(a.OnClick.Method.Data, &rootA);
    EXPECT_EQ(b.OnClick.Method.Data, &rootB);
  }
  if (auto* panel = dynamic_cast<const TPanel*>(&a)) {
    EXPECT_EQ(panel->BevelOuter, static_cast<const TPanel&>(b).BevelOuter);
  }
  if (auto* label = dynamic_cast<const TLabel*>(&a)) {
    auto& other = static_cast<const TLabel&>(b);
    EXPECT_EQ(label->Alignment, other.Alignment);
    EXPECT_EQ(label->AutoSize, other.AutoSize);
    EXPECT_EQ(label->WordWrap, other.WordWrap);
  }
  if (auto* form = dynamic_cast<const TMainForm*>(&a)) {
    EXPECT_EQ(form->PixelsPerInch, static_cast<const TMainForm&>(b).PixelsPerInch);
    EXPECT_EQ(form->TextHeight, static_cast<const TMainForm&>(b).TextHeight);
  }
  ASSERT_EQ(a.Children().size(), b.Children().size());
  for (std::size_t i = 0; i < a.Children().size(); ++i)
    ExpectSameControls(*a.Children()[i], *b.Children()[i], rootA, rootB);
}

TEST(RoundTrip, MainFormWrittenAndReadBackIsTheSame) {
  TMainForm original(nullptr), copy(nullptr);
  ReadDefinition(MainFormBytes(), &original);
  ReadDefinition(WrittenDefinition(&original), &copy);
  EXPECT_EQ(copy.Name(), "MainForm");
  ASSERT_EQ(copy.OwnedCount(), 5);
  ASSERT_NE(copy.Label1, nullptr);
  EXPECT_EQ(copy.Label1->Parent(), copy.Panel1);
  EXPECT_EQ(copy.Label1->Font()->Height, -19);
  ExpectSameControls(original, copy, original, copy);
}

}  // namespace
}  // namespace streaming_test

int main(int argc, char** argv) {
  InitRuntime();
  streaming_test::RegisterConverters();
  // Children of TKindsRoot are created by class name.
  RegisterClassChain(streaming_test::TKindsRoot::StaticClass());
  RegisterClassChain(streaming_test::TEveryKind::StaticClass());
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
