#include <gtest/gtest.h>

#include <vector>

#include "Lists.h"
#include "Streams.h"
#include "StringLists.h"
#include "TestSupport.h"

namespace string_lists_test {

using TLines = std::vector<String>;

TLines Lines(const TStrings& strings) {
  TLines lines;
  for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings.StringAt(i));
  return lines;
}

void AddAll(TStrings& strings, const TLines& lines) {
  for (const auto& s : lines) strings.Add(s);
}

// Records OnChanging as '<' and OnChange as '>'.
struct TRecorder {
  String Log;
  TObject* Sender = nullptr;

  void Changing(TObject* sender) { Log += '<', Sender = sender; }
  void Change(TObject* sender) { Log += '>', Sender = sender; }
  void Watch(TStringList& list) {
    list.OnChanging = TNotifyEvent::Of<&TRecorder::Changing>(this);
    list.OnChange = TNotifyEvent::Of<&TRecorder::Change>(this);
  }
};

const char* const kBounds = "List index out of bounds";
const char* const kSorted = "Operation not allowed on sorted string list";

TEST(StringList, TextLineBreaks) {
  const struct {
    const char* Text;
    TLines Lines;
  } cases[] = {{"a\r\nb", {"a", "b"}},
               {"a\n\rb", {"a", "", "b"}},
               {"a\rb\nc", {"a", "b", "c"}},
               {"a\r\n", {"a"}}};
  TStringList list;
  for (const auto& c : cases) {
    list.SetText(c.Text);
    EXPECT_EQ(Lines(list), c.Lines) << c.Text;
  }
  AddAll(list, {"", "c"});
  auto buffer = list.TextBuffer();
  EXPECT_STREQ(buffer.get(), "a\r\n\r\nc\r\n");
  EXPECT_EQ(list.Text(), buffer.get());
}

// Sorting happens once and notifies once; searches ignore letter case; a
// sorted list adds by its duplicates policy and refuses positional changes.
TEST(StringList, SortedListsSearchAddAndRefusePositionalChanges) {
  TStringList list;
  TRecorder recorder;
  AddAll(list, {"c", "Alpha", "b"});
  EXPECT_EQ(list.IndexOf("ALPHA"), 1);
  recorder.Watch(list);
  list.SetSorted(true);
  list.SetSorted(true);
  EXPECT_EQ(recorder.Log, "<>");
  EXPECT_EQ(recorder.Sender, &list);
  EXPECT_EQ(Lines(list), (TLines{"Alpha", "b", "c"}));
  int found = -1, missing = -1;
  EXPECT_TRUE(list.Find("C", found));
  EXPECT_FALSE(list.Find("Bz", missing));  // gives the insertion point
  EXPECT_EQ(found, 2);
  EXPECT_EQ(missing, 2);
  EXPECT_EQ(list.IndexOf("delta"), -1);

  EXPECT_EQ(list.Add("B"), 1);  // dupIgnore
  list.SetDuplicates(dupError);
  EXPECT_RAISES(EListError, list.Add("b"), "String list does not allow duplicates");
  list.SetDuplicates(dupAccept);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(list.Add("B"), 1);  // before every equal entry
  EXPECT_EQ(Lines(list), (TLines{"Alpha", "B", "B", "b", "c"}));

  EXPECT_RAISES(EListError, list.Insert(0, "a"), kSorted);
  EXPECT_RAISES(EListError, list.Insert(9, "a"), kSorted);
  EXPECT_RAISES(EListError, list.SetStringAt(-1, "a"), kSorted);
  EXPECT_RAISES(EListError, list.MoveEntry(0, 1), kSorted);
  TObject object;
  list.SetObjectAt(4, &object);
  list.Exchange(0, 4);
  EXPECT_EQ(Lines(list), (TLines{"c", "B", "B", "b", "Alpha"}));
  EXPECT_EQ(list.ObjectAt(0), &object);

  list.SetSorted(false);
  list.Add("a");
  EXPECT_EQ(Lines(list).back(), "a");
}

TEST(StringList, ChangeNotifications) {
  TStringList list;
  TRecorder recorder;
  recorder.Watch(list);
  list.RemoveAll();
  EXPECT_EQ(recorder.Log, "");
  list.Add("one");
  EXPECT_EQ(recorder.Log, "<>");

  recorder.Log.clear();
  list.BeginUpdate();
  list.BeginUpdate();
  for (int i = 0; i < 10; ++i) list.Add("x");
  list.EndUpdate();
  EXPECT_EQ(recorder.Log, "<");
  list.EndUpdate();
  EXPECT_EQ(recorder.Log, "<>");

  recorder.Log.clear();
  const TLines before = Lines(list);
  EXPECT_RAISES(EListError, list.Delete(11), kBounds);
  EXPECT_RAISES(EListError, list.Insert(12, "z"), kBounds);
  EXPECT_RAISES(EListError, list.Exchange(0, -1), kBounds);
  EXPECT_RAISES(EListError, list.SetStringAt(11, "z"), kBounds);
  EXPECT_RAISES(EListError, list.SetObjectAt(-1, nullptr), kBounds);
  EXPECT_EQ(Lines(list), before);
  EXPECT_EQ(recorder.Log, "");
}

TEST(StringList, MoveExchangeAndAddStringsCarryObjects) {
  TStringList list;
  TObject a, c;
  list.AddObject("a", &a);
  list.Add("b");
  list.AddObject("c", &c);
  list.MoveEntry(0, 2);
  EXPECT_EQ(Lines(list), (TLines{"b", "c", "a"}));
  EXPECT_EQ(list.ObjectAt(2), &a);
  EXPECT_RAISES(EListError, list.MoveEntry(2, 3), kBounds);
  EXPECT_RAISES(EListError, list.MoveEntry(-1, 0), kBounds);
  list.Exchange(0, 2);
  EXPECT_EQ(Lines(list), (TLines{"a", "c", "b"}));
  EXPECT_EQ(list.ObjectAt(0), &a);
  EXPECT_EQ(list.ObjectAt(2), nullptr);
  list.AddStrings(list);
  EXPECT_EQ(Lines(list), (TLines{"a", "c", "b", "a", "c", "b"}));
  EXPECT_EQ(list.ObjectAt(4), &c);
}

TEST(StringList, AssignFromAndEquals) {
  TStringList source, list;
  TObject object;
  source.Add("x");
  source.AddObject("y", &object);
  list.Add("old");
  list.AssignFrom(&source);
  EXPECT_EQ(Lines(list), (TLines{"x", "y"}));
  EXPECT_EQ(list.ObjectAt(1), &object);
  list.AssignFrom(&list);
  TBits bits;
  EXPECT_RAISES(EConvertError, list.AssignFrom(&bits), "Cannot assign a TBits to a TStringList");
  EXPECT_RAISES(EConvertError, list.AssignFrom(nullptr), "Cannot assign a nil to a TStringList");
  EXPECT_EQ(Lines(list), (TLines{"x", "y"}));

  list.SetObjectAt(1, nullptr);
  EXPECT_TRUE(list.Equals(source));  // objects are not compared
  list.SetStringAt(1, "Y");
  EXPECT_FALSE(list.Equals(source));
  list.Delete(1);
  EXPECT_FALSE(list.Equals(source));
}

// A persistent class that can copy itself onto strings; they know nothing of it.
class TWords : public TPersistent {
  SONDREL_CLASS(TWords)

 public:
  TLines Words;

 protected:
  void AssignTo(TPersistent* destination) const override {
    if (!destination->Is<TStrings>()) return TPersistent::AssignTo(destination);
    static_cast<TStrings*>(destination)->RemoveAll();
    AddAll(*static_cast<TStrings*>(destination), Words);
  }
};

SONDREL_CLASS_RECORD(TWords, TPersistent, "Tests");

TEST(Persistent, TheSourceMayImplementTheCopy) {
  TWords words, other;
  TStringList list;
  words.Words = {"p", "q"};
  list.Add("old");
  list.AssignFrom(&words);
  EXPECT_EQ(Lines(list), (TLines{"p", "q"}));
  EXPECT_RAISES(EConvertError, words.AssignFrom(&list), "Cannot assign a TStringList to a TWords");
  EXPECT_RAISES(EConvertError, other.AssignFrom(&words), "Cannot assign a TWords to a TWords");
}

TEST(StringList, FilesAndStreams) {
  TTempFile file;
  TStringList list, loaded;
  AddAll(list, {"first", "", "third"});
  list.SaveToFile(file.Name);
  loaded.LoadFromFile(file.Name);
  EXPECT_EQ(Lines(loaded), Lines(list));
  const String missing = file.Name + ".missing";
  EXPECT_RAISES(EFOpenError, loaded.LoadFromFile(missing), "Cannot open file " + missing);
  EXPECT_EQ(Lines(loaded), Lines(list));

  TMemoryStream stream;
  stream.WriteBuffer("skip\r\nkeep\r\nthis", 16);
  stream.SetPosition(6);
  loaded.LoadFromStream(stream);
  EXPECT_EQ(Lines(loaded), (TLines{"keep", "this"}));
}

}  // namespace string_lists_test
