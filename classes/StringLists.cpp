#include "StringLists.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "Lists.h"
#include "Reader.h"
#include "Streams.h"
#include "Writer.h"

SONDREL_CLASS_RECORD(TStrings, TPersistent, "Classes");
SONDREL_CLASS_RECORD(TStringList, TStrings, "Classes");

int CompareTextLocale(const String& a, const String& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) -
         2;
}

namespace {

// Keeps a list between BeginUpdate and EndUpdate, also when an operation fails.
class TUpdateBracket {
 public:
  explicit TUpdateBracket(TStrings& strings) : Strings(strings) { Strings.BeginUpdate(); }
  ~TUpdateBracket() { Strings.EndUpdate(); }
  TUpdateBracket(const TUpdateBracket&) = delete;
  TUpdateBracket& operator=(const TUpdateBracket&) = delete;

 private:
  TStrings& Strings;
};

[[noreturn]] void ListError(TResId id) { throw EListError(id); }

}  // namespace

// --- TStrings --------------------------------------------------------------

TObject* TStrings::ObjectAt(int) const { return nullptr; }

String TStrings::Text() const {
  const int count = Count();
  std::size_t length = 0;
  for (int i = 0; i < count; ++i) length += StringAt(i).size() + 2;
  String text;
  text.reserve(length);
  for (int i = 0; i < count; ++i) {
    text += StringAt(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetStringAt(int index, const String& s) {
  TObject* object = ObjectAt(index);
  Delete(index);
  InsertObject(index, s, object);
}

void TStrings::SetObjectAt(int, TObject*) {}

void TStrings::SetText(const String& text) { SetTextBuffer(text.c_str()); }

void TStrings::SetTextBuffer(const char* text) {
  TUpdateBracket update(*this);
  RemoveAll();
  const char* p = text;
  while (*p) {
    const char* start = p;
    while (*p && *p != '\r' && *p != '\n') ++p;
    Add(String(start, p));
    if (*p == '\r') ++p;
    if (*p == '\n') ++p;
  }
}

void TStrings::SetUpdating(bool) {}

int TStrings::Add(const String& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const String& s, TObject* object) {
  int index = Add(s);
  SetObjectAt(index, object);
  return index;
}

void TStrings::AddStrings(const TStrings& source) {
  TUpdateBracket update(*this);
  // The count is taken first, so adding a list to itself doubles it once.
  const int count = source.Count();
  for (int i = 0; i < count; ++i) AddObject(source.StringAt(i), source.ObjectAt(i));
}

void TStrings::Exchange(int index1, int index2) {
  String s1 = StringAt(index1);
  TObject* o1 = ObjectAt(index1);
  String s2 = StringAt(index2);
  SetStringAt(index1, s2);
  SetObjectAt(index1, ObjectAt(index2));
  SetStringAt(index2, s1);
  SetObjectAt(index2, o1);
}

std::unique_ptr<char[]> TStrings::TextBuffer() const {
  String text = Text();
  auto buffer = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(buffer.get(), text.c_str(), text.size() + 1);
  return buffer;
}

int TStrings::IndexOf(const String& s) const {
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (CompareTextLocale(StringAt(i), s) == 0) return i;
  return -1;
}

void TStrings::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TStrings::LoadFromStream(TStream& stream) {
  TUpdateBracket update(*this);
  const int available = stream.Size() - stream.Position();
  String text(available > 0 ? available : 0, '\0');
  int read = text.empty() ? 0 : stream.ReadSome(text.data(), static_cast<int>(text.size()));
  text.resize(read > 0 ? read : 0);
  SetTextBuffer(text.c_str());
}

void TStrings::MoveEntry(int from, int to) {
  if (from == to) return;
  // Both positions are checked before the entry is taken out, so a bad
  // destination cannot lose it.
  const int count = Count();
  if (from < 0 || from >= count || to < 0 || to >= count) ListError(TResId::ListIndexOutOfBounds);
  String s = StringAt(from);
  TObject* object = ObjectAt(from);
  Delete(from);
  InsertObject(to, s, object);
}

void TStrings::SaveToFile(const String& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TStrings::SaveToStream(TStream& stream) const {
  String text = Text();
  stream.WriteBuffer(text.data(), static_cast<int>(text.size()));
}

void TStrings::AssignFrom(const TObject* source) {
  if (source && source->Is<TStrings>()) {
    if (source == this) return;  // clearing first would lose the contents
    TUpdateBracket update(*this);
    RemoveAll();
    AddStrings(*static_cast<const TStrings*>(source));
    return;
  }
  TPersistent::AssignFrom(source);
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdating(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdating(false);
}

void TStrings::InsertObject(int index, const String& s, TObject* object) {
  Insert(index, s);
  SetObjectAt(index, object);
}

bool TStrings::Equals(const TStrings& other) const {
  const int count = Count();
  if (count != other.Count()) return false;
  for (int i = 0; i < count; ++i)
    if (StringAt(i) != other.StringAt(i)) return false;
  return true;
}

void TStrings::DefineProperties(TFiler& filer) {
  bool hasData;
  if (TPersistent* ancestor = filer.Ancestor())
    hasData = !ancestor->Is<TStrings>() || !Equals(*static_cast<TStrings*>(ancestor));
  else
    hasData = Count() > 0;
  filer.DeclareProperty("Strings", TReaderProc::Of<&TStrings::ReadStrings>(this),
                        TWriterProc::Of<&TStrings::WriteStrings>(this), hasData);
}

void TStrings::ReadStrings(TReader& reader) {
  reader.ExpectListStart();
  RemoveAll();
  while (!reader.AtListEnd()) Add(reader.ReadText());
  reader.ExpectListEnd();
}

void TStrings::WriteStrings(TWriter& writer) {
  writer.WriteListOpen();
  for (int i = 0; i < Count(); ++i) writer.WriteText(StringAt(i));
  writer.WriteListClose();
}

// --- TStringList -----------------------------------------------------------

TStringList::~TStringList() {
  OnChange = {};
  OnChanging = {};
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) ListError(TResId::ListIndexOutOfBounds);
}

void TStringList::CheckUnsorted() const {
  if (FSorted) ListError(TResId::SortedListOperation);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange.Assigned()) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging.Assigned()) OnChanging(this);
}

void TStringList::SetUpdating(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

String TStringList::StringAt(int index) const {
  CheckIndex(index);
  return FItems[index].Text;
}

TObject* TStringList::ObjectAt(int index) const {
  CheckIndex(index);
  return FItems[index].Object;
}

void TStringList::SetStringAt(int index, const String& s) {
  CheckUnsorted();
  CheckIndex(index);
  Changing();
  FItems[index].Text = s;
  Changed();
}

void TStringList::SetObjectAt(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  FItems[index].Object = object;
  Changed();
}

int TStringList::Add(const String& s) {
  int index = Count();
  if (FSorted && Find(s, index)) {
    if (FDuplicates == dupIgnore) return index;
    if (FDuplicates == dupError) ListError(TResId::DuplicateString);
  }
  InsertItem(index, s);
  return index;
}

void TStringList::Insert(int index, const String& s) {
  CheckUnsorted();
  if (index < 0 || index > Count()) ListError(TResId::ListIndexOutOfBounds);
  InsertItem(index, s);
}

void TStringList::InsertItem(int index, const String& s) {
  Changing();
  if (Count() == FCapacity) {
    int capacity = TList::GrowthStep(FCapacity);
    FItems.reserve(capacity);
    FCapacity = capacity;
  }
  FItems.insert(FItems.begin() + index, TStringItem{s, nullptr});
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  FItems.erase(FItems.begin() + index);
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(FItems[index1], FItems[index2]);
  Changed();
}

void TStringList::MoveEntry(int from, int to) {
  CheckUnsorted();
  TStrings::MoveEntry(from, to);
}

void TStringList::RemoveAll() {
  if (FItems.empty()) return;
  Changing();
  std::vector<TStringItem>().swap(FItems);
  FCapacity = 0;
  Changed();
}

int TStringList::IndexOf(const String& s) const {
  if (!FSorted) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

bool TStringList::Find(const String& s, int& index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = static_cast<int>(static_cast<unsigned>(lo + hi) >> 1);
    int r = CompareTextLocale(FItems[mid].Text, s);
    if (r < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (r == 0) {
        found = true;
        if (FDuplicates != dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

void TStringList::Sort() {
  if (FSorted || Count() < 2) return;
  Changing();
  QuickSort(0, Count() - 1);
  Changed();
}

void TStringList::QuickSort(int l, int r) {
  int i;
  do {
    i = l;
    int j = r;
    String pivot = FItems[static_cast<unsigned>(l + r) >> 1].Text;
    do {
      while (CompareTextLocale(FItems[i].Text, pivot) < 0) ++i;
      while (CompareTextLocale(FItems[j].Text, pivot) > 0) --j;
      if (i <= j) {
        std::swap(FItems[i], FItems[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) QuickSort(l, j);
    l = i;
  } while (i < r);
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == FSorted) return;
  if (sorted) Sort();
  FSorted = sorted;
}
