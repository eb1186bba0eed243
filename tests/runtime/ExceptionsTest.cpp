// Exception classes, their three ways of building a message, resource
// strings and the formatting routine.
#include <gtest/gtest.h>

#include <climits>

#include "Exceptions.h"
#include "Format.h"

namespace {

TEST(Exceptions, MessagesComeFromTextsResourcesAndFormattedResources) {
  EXPECT_EQ(EListError("plain text").Message(), "plain text");
  EXPECT_EQ(EListError(TResId::ListIndexOutOfBounds).Message(), "List index out of bounds");
  EXPECT_EQ(EConvertError(TResId::CannotAssign, {"TBits", String("TStringList")}).Message(),
            "Cannot assign a TBits to a TStringList");
  EXPECT_EQ(EComponentError(TResId::InvalidComponentName, {"1abc"}).Message(),
            "''1abc'' is not a valid component name");
}

// The class names from a class up to TObject.
String Chain(TClass cls) {
  String names;
  for (; cls; cls = cls->Parent) names += String(cls->Name) + (cls->Parent ? " " : "");
  return names;
}

TEST(Exceptions, ClassTreeAndNamesAreKnownAtRunTime) {
  EDivByZero e(TResId::DivisionByZero);
  const TObject& o = e;
  EXPECT_EQ(o.ClassName(), "EDivByZero");
  EXPECT_TRUE(o.ClassNameIs("edivbyzero"));
  EXPECT_FALSE(o.ClassNameIs("EDivByZer"));
  EXPECT_TRUE(o.InheritsFrom(EIntError::StaticClass()));
  EXPECT_FALSE(o.InheritsFrom(EMathError::StaticClass()));
  EXPECT_EQ(Chain(o.ClassType()), "EDivByZero EIntError Exception TObject");
  EXPECT_EQ(Chain(EReadError::StaticClass()), "EReadError EFilerError EStreamError Exception TObject");
  EXPECT_EQ(Chain(EOutOfResources::StaticClass()), "EOutOfResources EOutOfMemory Exception TObject");
  EXPECT_EQ(Chain(EResNotFound::StaticClass()), "EResNotFound Exception TObject");
  EXPECT_STREQ(EStreamError::StaticClass()->UnitName, "Classes");

  // Raise throws the dynamic class.
  std::unique_ptr<Exception> raised = std::make_unique<EFOpenError>("x");
  try {
    raised->Raise();
  } catch (const EFOpenError& caught) {
    EXPECT_EQ(caught.Message(), "x");
  }
}

TEST(ResourceStrings, AbsentIdentifiersAndShortBuffersGiveWhatFits) {
  EXPECT_EQ(LoadResString(static_cast<TResId>(65460)), "");  // its block does not exist
  EXPECT_EQ(LoadResString(static_cast<TResId>(61447)), "");  // absent inside a block
  EXPECT_EQ(LoadResString(TResId::ReadOnlyResourceStream, 6), "Can't");
  EXPECT_EQ(LoadResString(TResId::LongMonthSep), "September");
}

TEST(Format, DirectivesWidthsAndPrecisions) {
  EXPECT_EQ(Format("%s|%d|%u|%x", {"ab", -12, 4000000000u, 0xBEEFu}), "ab|-12|4000000000|BEEF");
  EXPECT_EQ(Format("%.8X", {0xC0000008ul}), "C0000008");
  EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
  EXPECT_EQ(Format("%p", {reinterpret_cast<void*>(0x401A2B)}), "00401A2B");
  EXPECT_EQ(Format("%p", {static_cast<void*>(nullptr)}), "00000000");
  EXPECT_EQ(Format("[%5d][%-5d][%.3d][%*d]", {42, 42, 7, 4, 9}), "[   42][42   ][007][   9]");
  EXPECT_EQ(Format("[%6s][%-4s][%.2s]", {"abc", "x", "long"}), "[   abc][x   ][lo]");
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("100%% %s", {"done"}), "100% done");
  EXPECT_EQ(Format("no directives", {}), "no directives");
  EXPECT_EQ(Format("%d", {-2147483647 - 1}), "-2147483648");
}

TEST(Format, MismatchedOrMissingArgumentsRaiseEConvertError) {
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s", {5}), EConvertError);
  EXPECT_THROW(Format("%p", {5}), EConvertError);
  EXPECT_THROW(Format("%s %s", {"one"}), EConvertError);
  EXPECT_THROW(Format("%3:s", {"one"}), EConvertError);
  EXPECT_THROW(Format("%q", {1}), EConvertError);
  EXPECT_THROW(Format("trailing %", {1}), EConvertError);
  EXPECT_THROW(Format("%999999999d", {1}), EConvertError);
  // Widths and precisions given as arguments have the same bound.
  EXPECT_THROW(Format("%*d", {INT_MAX, 1}), EConvertError);
  EXPECT_THROW(Format("%.*d", {INT_MAX, 1}), EConvertError);
  EXPECT_THROW(Format("%*d", {-INT_MAX, 1}), EConvertError);
}

}  // namespace
