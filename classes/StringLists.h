// TStrings, the abstract ordered list of Strings each paired with an object
// pointer, and TStringList, its array-based implementation with optional
// sorted order, a duplicates policy and change notification.
#pragma once

#include <memory>
#include <vector>

#include "Events.h"
#include "Persistent.h"

class TReader;
class TStream;
class TWriter;

// Compares two Strings by the user's locale without regard to case: -1, 0, 1.
int CompareTextLocale(const String& a, const String& b);

class TStrings : public TPersistent {
  SONDREL_CLASS(TStrings)

 public:
  virtual String StringAt(int index) const = 0;
  virtual int Count() const = 0;
  virtual TObject* ObjectAt(int index) const;
  // All strings, each followed by CR LF.
  virtual String Text() const;
  virtual void SetStringAt(int index, const String& s);
  virtual void SetObjectAt(int index, TObject* object);
  // Replaces the contents with the lines of `text`; CR LF, CR and LF each end
  // a line, and a trailing line break adds no empty line.
  virtual void SetText(const String& text);
  virtual int Add(const String& s);
  virtual int AddObject(const String& s, TObject* object);
  virtual void AddStrings(const TStrings& source);
  virtual void RemoveAll() = 0;
  virtual void Delete(int index) = 0;
  virtual void Exchange(int index1, int index2);
  // A copy of Text as a zero-terminated buffer owned by the caller.
  virtual std::unique_ptr<char[]> TextBuffer() const;
  virtual int IndexOf(const String& s) const;
  virtual void Insert(int index, const String& s) = 0;
  virtual void LoadFromFile(const String& fileName);
  virtual void LoadFromStream(TStream& stream);
  virtual void MoveEntry(int from, int to);
  virtual void SaveToFile(const String& fileName) const;
  virtual void SaveToStream(TStream& stream) const;
  virtual void SetTextBuffer(const char* text);

  void AssignFrom(const TObject* source) override;
  void BeginUpdate();
  void EndUpdate();
  void InsertObject(int index, const String& s, TObject* object);
  // Same count and byte-for-byte equal Strings; objects are not compared.
  bool Equals(const TStrings& other) const;

 protected:
  // Called when the update count leaves 0 (true) and returns to 0 (false).
  virtual void SetUpdating(bool updating);
  int UpdateCount() const { return FUpdateCount; }
  // Streams the lines as the declared property "Strings".
  void DefineProperties(TFiler& filer) override;

 private:
  void ReadStrings(TReader& reader);
  void WriteStrings(TWriter& writer);

  int FUpdateCount = 0;
};

enum TDuplicates : unsigned char { dupIgnore, dupAccept, dupError };

struct TStringItem {
  String Text;
  TObject* Object = nullptr;  // never owned
};

class TStringList : public TStrings {
  SONDREL_CLASS(TStringList)

 public:
  TStringList() = default;
  TStringList(const TStringList&) = delete;
  TStringList& operator=(const TStringList&) = delete;
  ~TStringList() override;

  String StringAt(int index) const override;
  int Count() const override { return static_cast<int>(FItems.size()); }
  TObject* ObjectAt(int index) const override;
  void SetStringAt(int index, const String& s) override;
  void SetObjectAt(int index, TObject* object) override;
  int Add(const String& s) override;
  void RemoveAll() override;
  void Delete(int index) override;
  void Exchange(int index1, int index2) override;
  int IndexOf(const String& s) const override;
  void Insert(int index, const String& s) override;
  // Refused on a sorted list, where the entry could not be put back.
  void MoveEntry(int from, int to) override;

  // Binary search of a sorted list: true when found; `index` is the match or,
  // when not found, the insertion point.
  virtual bool Find(const String& s, int& index) const;
  virtual void Sort();

  int Capacity() const { return FCapacity; }
  bool Sorted() const { return FSorted; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates duplicates) { FDuplicates = duplicates; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdating(bool updating) override;

 private:
  void CheckIndex(int index) const;
  void CheckUnsorted() const;
  void InsertItem(int index, const String& s);
  void QuickSort(int l, int r);

  std::vector<TStringItem> FItems;
  int FCapacity = 0;
  bool FSorted = false;
  TDuplicates FDuplicates = dupIgnore;
};
