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

#include "DefinitionBuilder.h"
#include "Registry.h"
#include "Runtime.h"
#include "StreamingClasses.h"
#include "TestSupport.h"

namespace {

// The largest single allocation made through operator new since the last
// reset. The library's operator delete releases with free, as this allocates.
std::size_t LargestAllocation = 0;
int Rounds = 20000;

}  // namespace

void* operator new(std::size_t size) {
  if (size > LargestAllocation) LargestAllocation = size;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

namespace streaming_test {
namespace {

constexpr std::size_t AllocationBound = 1 << 20;

struct TOutcome {
  bool Read = false;
  String Error;
};

// Reads `bytes` into a new main form; `recover` makes every failing entry or
// component be skipped by the error handler.
TOutcome ReadDamaged(const String& bytes, bool recover = false) {
  struct THandler {
    void OnError(TReader&, const String&, bool& handled) { handled = true; }
  } handler;
  TOutcome outcome;
  TDefStream stream(bytes);
  TMainForm form(nullptr);
  try {
    TReader reader(stream, 4096);
    if (recover) reader.OnReadError = TReader::TReadErrorEvent::Of<&THandler::OnError>(&handler);
    reader.ReadRoot(&form);
    outcome.Read = true;
  } catch (const Exception& e) {
    outcome.Error = e.Message();
  }
  // A form leaves no references pending behind it.
  DiscardFixups(&form, String());
  return outcome;
}

class Mutation : public testing::Test {
 protected:
  void SetUp() override {
    LiveBefore = TCounted::Live;
    FixupsBefore = GlobalFixupCount();
    LargestAllocation = 0;
  }
  void TearDown() override {
    EXPECT_EQ(TCounted::Live, LiveBefore) << "components leaked";
    EXPECT_EQ(GlobalFixupCount(), FixupsBefore);
    EXPECT_LT(LargestAllocation, AllocationBound);
  }
  int LiveBefore = 0;
  int FixupsBefore = 0;
};

TEST_F(Mutation, EveryTruncationFailsWithAStreamError) {
  String bytes = MainFormBytes();
  ASSERT_TRUE(ReadDamaged(bytes).Read);
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    TOutcome outcome = ReadDamaged(bytes.substr(0, length));
    ASSERT_FALSE(outcome.Read) << length;
    EXPECT_NE(outcome.Error.find("Stream read error"), String::npos) << length << ": " << outcome.Error;
    EXPECT_FALSE(ReadDamaged(bytes.substr(0, length), true).Read) << length;
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
        case 0: bytes[at] = static_cast<char>(random()); break;         // any byte
        case 1: bytes[at] ^= static_cast<char>(1u << (random() % 8)); break;  // one bit
        case 2: bytes.erase(at, 1 + random() % 8); break;               // a gap
        default: bytes.insert(at, 1, static_cast<char>(random())); break;  // an extra byte
      }
      if (bytes.empty()) bytes = "T";
    }
    TOutcome outcome = ReadDamaged(bytes, round % 2 == 1);
    (outcome.Read ? read : failed)++;
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
        value += "some bytes";
        TOutcome outcome = ReadDamaged(WithValue(path, value));
        EXPECT_FALSE(outcome.Read);
        // A binary value is no text: the caption refuses it by its tag alone.
        const char* expected = String(path) == "Caption" && tag == '\x0A' ? "Invalid property value"
                                                                          : "Stream read error";
        EXPECT_NE(outcome.Error.find(expected), String::npos) << outcome.Error;
      }
}

TEST_F(Mutation, UnknownTagsAreErrorsOrSkippedWithoutPayload) {
  for (int tag = 15; tag < 256; ++tag) {
    TOutcome known = ReadDamaged(WithValue("Caption", String(1, static_cast<char>(tag))));
    EXPECT_FALSE(known.Read) << tag;
    EXPECT_NE(known.Error.find("Invalid property value"), String::npos) << known.Error;
    ReadDamaged(WithValue("Unknown", String(1, static_cast<char>(tag))), true);
  }
}

TEST_F(Mutation, DeepNestingIsRefused) {
  TOutcome lists = ReadDamaged(WithValue("Unknown", String(100000, '\x01')));
  EXPECT_FALSE(lists.Read);
  TOutcome collection = ReadDamaged(WithValue("Unknown", String(100000, '\x0E')), true);
  EXPECT_FALSE(collection.Read);

  String components = "TPF0\x09TMainForm\x08MainForm";
  components += '\0';
  for (int i = 0; i < 5000; ++i) components += String("\x07TButton\0\0", 10);
  TOutcome deep = ReadDamaged(components);
  EXPECT_FALSE(deep.Read);
  EXPECT_NE(deep.Error.find("Invalid stream format"), String::npos) << deep.Error;
}

// A collection whose items hold a collection of their own, nested at will.
class TNestItem : public TCollectionItem {
  SONDREL_CLASS(TNestItem)
 public:
  using TCollectionItem::TCollectionItem;
  TCollection* Sub() const { return FSub.get(); }
  void SetSub(TCollection* sub) { FSub->AssignFrom(sub); }

 private:
  std::unique_ptr<TCollection> FSub = std::make_unique<TCollection>(CollectionItemClassOf<TNestItem>());
};
class TNest : public TComponent {
  SONDREL_CLASS(TNest)
 public:
  using TComponent::TComponent;
  TCollection* Items() const { return FItems.get(); }
  void SetItems(TCollection* items) { FItems->AssignFrom(items); }

 private:
  std::unique_ptr<TCollection> FItems = std::make_unique<TCollection>(CollectionItemClassOf<TNestItem>());
  TCounted Counted;
};
const TPropInfo NestItemProps[] = {Prop<&TNestItem::Sub, &TNestItem::SetSub>("Sub", ClassTypeInfo<TCollection>)};
const TPropInfo NestProps[] = {Prop<&TNest::Items, &TNest::SetItems>("Items", ClassTypeInfo<TCollection>)};
}  // namespace
SONDREL_PUBLISHED_CLASS(TNestItem, TCollectionItem, "Tests", {.Props = NestItemProps});
SONDREL_PUBLISHED_CLASS(TNest, TComponent, "Tests", {.Props = NestProps, .Create = &NewComponent<TNest>});
namespace {

// Collections nested `levels` deep: Items, then Sub in each item.
String NestedCollections(int levels) {
  String bytes = TDef().Signature().Head("TMainForm", "MainForm").End().Head("TNest", "Nest1").Short("Items").Bytes;
  for (int i = 0; i < levels; ++i) bytes += TDef().Byte({tgCollection, tgList}).Short("Sub").Bytes;
  bytes += TDef().Byte({tgCollection, tgNull}).Bytes;
  for (int i = 0; i < levels; ++i) bytes += String(2, '\0');
  return bytes + String(3, '\0');
}

TEST_F(Mutation, NestedCollectionsAreBoundedLikeOtherNesting) {
  EXPECT_TRUE(ReadDamaged(NestedCollections(100)).Read);
  for (int levels : {300, 20000})
    for (bool recover : {false, true}) {
      TOutcome outcome = ReadDamaged(NestedCollections(levels), recover);
      EXPECT_FALSE(outcome.Read);
      EXPECT_EQ(outcome.Error, "Invalid stream format") << levels;
    }
}

TEST_F(Mutation, AComponentOfAnotherClassThanItsFieldIsRefused) {
  // A TButton named Panel1, whose field holds a TPanel.
  String bytes = TDef().Signature().Head("TMainForm", "MainForm").End().Head("TButton", "Panel1").End()
                     .End().End().End().Bytes;
  TDefStream stream(bytes);
  TMainForm form(nullptr);
  EXPECT_RAISES(EReadError, ReadInto(&form, bytes), "Error reading TMainForm.Panel1: Invalid class typecast");
  EXPECT_EQ(form.Panel1, nullptr);
  EXPECT_EQ(form.OwnedCount(), 0);
  // Renaming does not store it either; a component of the field's class does.
  TButton button(&form);
  EXPECT_RAISES(EInvalidCast, button.Rename("Panel1"), "Invalid class typecast");
  EXPECT_EQ(button.Name(), "");
  EXPECT_EQ(form.Panel1, nullptr);
  TPanel panel(&form);
  panel.Rename("Panel1");
  EXPECT_EQ(form.Panel1, &panel);
}

TEST_F(Mutation, CollectionIndexesOutsideTheItemsAreRefused) {
  for (const TDef& index : {TDef().Int32(0x7FFFFFFF), TDef().Int8(5), TDef().Int8(-1)}) {
    TKindsRoot root(nullptr);
    try {
      ReadInto(&root, TDef().Signature().Head("TKindsRoot", "Root").End()
                          .Head("TEveryKind", "Kinds").Short("Items").Byte({tgCollection})
                          .Append(index).Byte({tgList}).Short("Value").Int8(7)
                          .End().End().End().End().End().Bytes);
      ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), "Error reading Kinds.Items: Invalid property value");
    }
  }
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
  // The counter does see allocations.
  String text(1000, 'x');
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
