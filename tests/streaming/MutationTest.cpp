// Damaged form definitions: every truncation of the main form's definition,
// seeded random byte changes, huge lengths, unknown tags and deep nesting.
// Each read must end in an Exception or succeed, without crashing, hanging,
// allocating without bound or leaking a component.
//
//   mutation_tests [--rounds=N]   N rounds of random changes (default 20000)
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

#include "Runtime.h"
#include "StreamingClasses.h"

namespace {

// The largest single allocation made through operator new since the last
// reset. The library's operator delete releases with free, as this allocates
// (kept out of line, so the compiler does not pair malloc with that delete).
std::size_t LargestAllocation = 0;
int Rounds = 20000;

}  // namespace

__attribute__((noinline)) void* operator new(std::size_t size) {
  if (size > LargestAllocation) LargestAllocation = size;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

namespace streaming_test {
namespace {

// Reads `bytes` into a new main form; `recover` makes every failing entry or
// component be skipped by the error handler. The error message, or "read".
String ReadDamaged(const String& bytes, bool recover = false) {
  struct THandler {
    void OnError(TReader&, const String&, bool& handled) { handled = true; }
  } handler;
  String outcome = "read";
  TDefStream stream(bytes);
  TMainForm form(nullptr);
  try {
    TReader reader(stream, 4096);
    if (recover) reader.OnReadError = TReader::TReadErrorEvent::Of<&THandler::OnError>(&handler);
    reader.ReadRoot(&form);
  } catch (const Exception& e) {
    outcome = e.Message();
  }
  DiscardFixups(&form, String());  // a form leaves no references pending behind it
  return outcome;
}

testing::AssertionResult FailsWith(const String& outcome, const char* error) {
  if (outcome != "read" && outcome.find(error) != String::npos) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "expected " << error << ", got " << outcome;
}

class Mutation : public testing::Test {
 protected:
  void SetUp() override { LargestAllocation = 0; }
  void TearDown() override {
    EXPECT_EQ(TCounted::Live, LiveBefore) << "components leaked";
    EXPECT_EQ(GlobalFixupCount(), FixupsBefore);
    EXPECT_LT(LargestAllocation, 1u << 20);
  }
  const int LiveBefore = TCounted::Live, FixupsBefore = GlobalFixupCount();
};

TEST_F(Mutation, EveryTruncationFailsWithAStreamError) {
  String bytes = MainFormBytes();
  ASSERT_EQ(ReadDamaged(bytes), "read");
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    EXPECT_TRUE(FailsWith(ReadDamaged(bytes.substr(0, length)), "Stream read error")) << length;
    EXPECT_NE(ReadDamaged(bytes.substr(0, length), true), "read") << length;
  }
}

TEST_F(Mutation, RandomByteChangesEndInAnExceptionOrARead) {
  const String original = MainFormBytes();
  std::mt19937 random(20261206);
  int read = 0, failed = 0;
  for (int round = 0; round < Rounds; ++round) {
    String bytes = original;
    int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c) {
      std::size_t at = random() % bytes.size();
      switch (random() % 4) {
        case 0: bytes[at] = static_cast<char>(random()); break;                // any byte
        case 1: bytes[at] ^= static_cast<char>(1u << (random() % 8)); break;  // one bit
        case 2: bytes.erase(at, 1 + random() % 8); break;                      // a gap
        default: bytes.insert(at, 1, static_cast<char>(random())); break;     // an extra byte
      }
      if (bytes.empty()) bytes = "T";
    }
    (ReadDamaged(bytes, round % 2 == 1) == "read" ? read : failed)++;
  }
  // Both outcomes occur: the changes hit values as well as structure.
  EXPECT_GT(read, 0);
  EXPECT_GT(failed, 0);
}

// A definition of one TMainForm whose first property has the given value.
String WithValue(const String& path, const String& value) {
  return TDef().Signature().Head("TMainForm", "MainForm").Short(path).Bytes + value +
         String(2, '\0');
}

TEST_F(Mutation, HugeLengthsAreRefusedBeforeAnythingIsAllocated) {
  for (const char* path : {"Caption", "Unknown"})
    for (char tag : {'\x0A', '\x0C'})
      for (std::uint32_t length : {0x7FFFFFFFu, 0xFFFFFFFFu, 0x10000000u, 100000u}) {
        String value(1, tag);
        value.append(reinterpret_cast<const char*>(&length), 4);
        // A binary value is no text: the caption refuses it by its tag alone.
        EXPECT_TRUE(FailsWith(ReadDamaged(WithValue(path, value + "some bytes")),
                              String(path) == "Caption" && tag == '\x0A' ? "Invalid property value"
                                                                         : "Stream read error"));
      }
}

TEST_F(Mutation, UnknownTagsAreErrorsOrSkippedWithoutPayload) {
  for (int tag = 15; tag < 256; ++tag) {
    const String value(1, static_cast<char>(tag));
    EXPECT_TRUE(FailsWith(ReadDamaged(WithValue("Caption", value)), "Invalid property value"));
    ReadDamaged(WithValue("Unknown", value), true);
  }
}

TEST_F(Mutation, DeepNestingIsRefused) {
  EXPECT_NE(ReadDamaged(WithValue("Unknown", String(100000, '\x01'))), "read");
  EXPECT_NE(ReadDamaged(WithValue("Unknown", String(100000, '\x0E')), true), "read");
  String components = "TPF0\x09TMainForm\x08MainForm";
  components += '\0';
  for (int i = 0; i < 5000; ++i) components += String("\x07TButton\0\0", 10);
  EXPECT_TRUE(FailsWith(ReadDamaged(components), "Invalid stream format"));
}

// A collection whose items hold a collection of their own, nested at will.
class TNestItem : public TCollectionItem {
  SONDREL_CLASS(TNestItem)
 public:
  using TCollectionItem::TCollectionItem;
  TCollection* Sub() const { return FSub.get(); }
  void SetSub(TCollection* sub) { FSub->AssignFrom(sub); }

 private:
  std::unique_ptr<TCollection> FSub =
      std::make_unique<TCollection>(CollectionItemClassOf<TNestItem>());
};
class TNest : public TComponent {
  SONDREL_CLASS(TNest)
 public:
  using TComponent::TComponent;
  TCollection* Items() const { return FItems.get(); }
  void SetItems(TCollection* items) { FItems->AssignFrom(items); }

 private:
  std::unique_ptr<TCollection> FItems =
      std::make_unique<TCollection>(CollectionItemClassOf<TNestItem>());
  TCounted Counted;
};
const TPropInfo NestItemProps[] = {
    Prop<&TNestItem::Sub, &TNestItem::SetSub>("Sub", ClassTypeInfo<TCollection>)};
const TPropInfo NestProps[] = {
    Prop<&TNest::Items, &TNest::SetItems>("Items", ClassTypeInfo<TCollection>)};
}  // namespace
SONDREL_PUBLISHED_CLASS(TNestItem, TCollectionItem, "Tests", {.Props = NestItemProps});
SONDREL_PUBLISHED_CLASS(TNest, TComponent, "Tests",
                        {.Props = NestProps, .Create = &NewComponent<TNest>});
namespace {

// Collections nested `levels` deep: Items, then Sub in each item.
String NestedCollections(int levels) {
  TDef def = TDef().Signature().Head("TMainForm", "MainForm").End().Head("TNest", "Nest1");
  def.Short("Items");
  for (int i = 0; i < levels; ++i) def.Byte({tgCollection, tgList}).Short("Sub");
  def.Byte({tgCollection, tgNull});
  for (int i = 0; i < levels; ++i) def.End().End();
  return def.End().End().End().Bytes;
}

TEST_F(Mutation, NestedCollectionsAreBoundedLikeOtherNesting) {
  EXPECT_EQ(ReadDamaged(NestedCollections(100)), "read");
  for (int levels : {300, 20000})
    for (bool recover : {false, true})
      EXPECT_EQ(ReadDamaged(NestedCollections(levels), recover), "Invalid stream format") << levels;
}

TEST(Lookups, FindingPropertiesMethodsAndFieldsAllocatesNothing) {
  TMainForm form(nullptr);
  String property = "textheight", method = "Play2BtnClick", field = "label1";
  LargestAllocation = 0;
  const TPropInfo* prop = FindPropInfo(form.ClassType(), property);
  void* code = MethodAddressByName(form.ClassType(), method);
  TObject** address = FieldAddressByName(&form, field);
  EXPECT_EQ(LargestAllocation, 0u);
  EXPECT_NE(prop, nullptr);
  EXPECT_NE(code, nullptr);
  EXPECT_EQ(address, reinterpret_cast<TObject**>(&form.Label1));
  String text(1000, 'x');  // the counter does see allocations
  EXPECT_GE(LargestAllocation, 1000u);
}

}  // namespace
}  // namespace streaming_test

int main(int argc, char** argv) {
  InitRuntime();
  streaming_test::RegisterConverters();
  RegisterClassChain(streaming_test::TEveryKind::StaticClass());
  RegisterClassChain(streaming_test::TNest::StaticClass());
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--rounds=", 9) == 0) Rounds = std::atoi(argv[i] + 9);
  return RUN_ALL_TESTS();
}
