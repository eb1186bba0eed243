// Component classes for the streaming tests: a tree shaped like the sound
// player's main form (a form with buttons, a panel and a label, each with a
// font), and a component with a published property of every kind. Then the
// helpers of the tests: definitions built byte by byte, streams holding them,
// reading and writing whole definitions.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "Collections.h"
#include "Components.h"
#include "Reader.h"
#include "Registry.h"
#include "StringLists.h"
#include "TypInfo.h"
#include "Writer.h"

namespace streaming_test {

extern const TTypeInfo ColorType;  // TColor, with identifiers clBlack, clWindowText, ...

// Registers the identifier converters of the colour and character-set types.
void RegisterConverters();
// Starts the runtime, registers the converters and makes TKindsRoot and
// TEveryKind known by name: what a program reading these classes needs.
void PrepareStreamingProgram();

// Counts the live test components.
struct TCounted {
  TCounted() { ++Live; }
  ~TCounted() { --Live; }
  static inline int Live = 0;
};

class TFont : public TPersistent {
  SONDREL_CLASS(TFont)

 public:
  std::uint8_t Charset = 1;                                    // DEFAULT_CHARSET
  std::int32_t Color = static_cast<std::int32_t>(0x80000008);  // clWindowText
  std::int32_t Height = -11;
  String Name = "MS Sans Serif";
  std::uint8_t Style = 0;
  void AssignFrom(const TObject* source) override;
};

// A control: bounds, caption, tab order, a font and a click event; children
// attach to their parent.
class TControl : public TComponent {
  SONDREL_CLASS(TControl)

 public:
  using TComponent::TComponent;
  ~TControl() override;

  std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  String Caption;
  std::int16_t TabOrder = -1;
  bool ParentFont = true;
  TNotifyEvent OnClick;
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* font) { FFont->AssignFrom(font); }
  TControl* Parent() const { return FParent; }
  const std::vector<TControl*>& Children() const { return FChildren; }

  void AttachToParent(TComponent* parent) override;
  void EnumChildren(const std::function<void(TComponent*)>& callback) override {
    for (TControl* child : FChildren) callback(child);
  }
  void MoveChild(TComponent* child, int position) override;
  void AfterLoad() override;
  std::vector<std::pair<TControl*, int>> Moves;  // the MoveChild calls
  int AfterLoadCalls = 0;
  static inline std::vector<String>* AfterLoadLog = nullptr;  // when set, gets each name

 private:
  std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
  TControl* FParent = nullptr;
  std::vector<TControl*> FChildren;
  TCounted Counted;
};

class TButton : public TControl {
  SONDREL_CLASS(TButton)
 public:
  using TControl::TControl;
};

enum TPanelBevel : std::uint8_t { bvNone, bvLowered, bvRaised, bvSpace };
class TPanel : public TControl {
  SONDREL_CLASS(TPanel)
 public:
  using TControl::TControl;
  TPanelBevel BevelOuter = bvRaised;
};

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
class TLabel : public TControl {
  SONDREL_CLASS(TLabel)
 public:
  using TControl::TControl;
  TAlignment Alignment = taLeftJustify;
  bool AutoSize = true;
  bool WordWrap = false;
};

class TMainForm : public TControl {
  SONDREL_CLASS(TMainForm)
 public:
  using TControl::TControl;
  std::int32_t PixelsPerInch = 96;
  std::int32_t TextHeight = 0;
  TButton *ExitBtn = nullptr, *Play1Btn = nullptr, *Play2Btn = nullptr;
  TPanel* Panel1 = nullptr;
  TLabel* Label1 = nullptr;
  void ExitBtnClick(TObject* sender) { Clicked.push_back({"ExitBtnClick", sender}); }
  void Play1BtnClick(TObject* sender) { Clicked.push_back({"Play1BtnClick", sender}); }
  void Play2BtnClick(TObject* sender) { Clicked.push_back({"Play2BtnClick", sender}); }
  std::vector<std::pair<String, TObject*>> Clicked;
};

// A collection item with a value and a text.
class TItem : public TCollectionItem {
  SONDREL_CLASS(TItem)
 public:
  using TCollectionItem::TCollectionItem;
  std::int32_t Value = 0;
  String Text;
  void AssignFrom(const TObject* source) override;
};

enum TKind : std::uint8_t { kdFirst, kdSecond, kdThird };
enum TSmall : std::uint8_t { smA, smB, smC, smD };

// A component with a published property of every kind.
class TEveryKind : public TComponent {
  SONDREL_CLASS(TEveryKind)

 public:
  using TComponent::TComponent;

  std::int8_t Int8 = 0;
  std::uint8_t UInt8 = 0;
  std::int16_t Int16 = 0;
  std::uint16_t UInt16 = 0;
  std::int32_t Int32 = 0;
  std::int32_t NoDefaultInt = 0;  // published without a default: always written
  std::int32_t Color = 0;         // identifier-converted
  char Char = 'A';
  TKind Kind = kdFirst;
  bool Flag = false;
  std::uint8_t Smalls = 0;  // set of TSmall
  float Single = 0;
  double Double = 0;
  long double Extended = 0;
  long long Comp = 0;
  TCurrency Currency{};
  String ShortText;  // at most 15 characters
  String Text;
  TComponent* Reference = nullptr;
  TNotifyEvent OnEvent;
  std::int32_t Indexed[3] = {0, 0, 0};
  String Binary;  // streamed as the declared binary property "Data"

  TFont* Font() const { return FFont.get(); }
  TCollection* Items() const { return FItems.get(); }
  TStringList* Lines() const { return FLines.get(); }
  std::int32_t GetIndexed(std::int32_t index) const { return Indexed[index]; }
  void SetIndexed(std::int32_t index, std::int32_t value) { Indexed[index] = value; }
  void SetFont(TFont* font) { FFont->AssignFrom(font); }
  void SetItems(TCollection* items) { FItems->AssignFrom(items); }
  void SetLines(TStringList* lines) { FLines->AssignFrom(lines); }
  void Handler(TObject*) {}  // not published

 protected:
  void DefineProperties(TFiler& filer) override;

 private:
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);
  std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
  std::unique_ptr<TCollection> FItems =
      std::make_unique<TCollection>(CollectionItemClassOf<TItem>());
  std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
  TCounted Counted;
};

// A root that owns TEveryKind components and publishes Handler and OtherHandler.
class TKindsRoot : public TComponent {
  SONDREL_CLASS(TKindsRoot)
 public:
  using TComponent::TComponent;
  TCounted Counted;
  void Handler(TObject*) {}
  void OtherHandler(TObject*) {}
  void EnumChildren(const std::function<void(TComponent*)>& callback) override {
    for (int i = 0; i < OwnedCount(); ++i) callback(OwnedAt(i));
  }
};

// --- Helpers of the tests ------------------------------------------------------

// Appends the pieces of a definition: raw bytes, short texts and tagged values.
struct TDef {
  String Bytes;

  TDef& Byte(std::initializer_list<int> bytes) {
    for (int b : bytes) Bytes += static_cast<char>(b);
    return *this;
  }
  TDef& Raw(const void* data, std::size_t count) {
    Bytes.append(static_cast<const char*>(data), count);
    return *this;
  }
  TDef& Short(const String& s) { return Byte({static_cast<int>(s.size())}).Raw(s.data(), s.size()); }
  TDef& Signature() { return Raw("TPF0", 4); }
  TDef& Head(const String& className, const String& name) { return Short(className).Short(name); }
  TDef& End() { return Byte({tgNull}); }
  TDef& Int8(std::int8_t v) { return Byte({tgInt8}).Raw(&v, 1); }
  TDef& Int16(std::int16_t v) { return Byte({tgInt16}).Raw(&v, 2); }
  TDef& Int32(std::int32_t v) { return Byte({tgInt32}).Raw(&v, 4); }
  TDef& Str(const String& s) { return Byte({tgString}).Short(s); }
  TDef& LongStr(const String& s) {
    auto n = static_cast<std::uint32_t>(s.size());
    return Byte({tgLongString}).Raw(&n, 4).Raw(s.data(), s.size());
  }
  TDef& Ident(const String& s) { return Byte({tgIdent}).Short(s); }
  TDef& Set(std::initializer_list<const char*> names) {
    Byte({tgSet});
    for (const char* name : names) Short(name);
    return Short("");
  }
  TDef& Append(const TDef& other) { return Raw(other.Bytes.data(), other.Bytes.size()); }
};

// A root record of class `cls` named `name`: its entries, then its children.
inline String RootWith(const char* cls, const char* name, const TDef& entries,
                       const TDef& children = TDef()) {
  return TDef().Signature().Head(cls, name).Append(entries).End().Append(children).End().Bytes;
}
inline String FormWith(const TDef& entries, const TDef& children = TDef()) {
  return RootWith("TMainForm", "MainForm", entries, children);
}

// A memory stream holding the given bytes, positioned at 0.
struct TDefStream : TMemoryStream {
  explicit TDefStream(const String& bytes) {
    WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    SetPosition(0);
  }
};

inline String BytesOf(TCustomMemoryStream& stream) {
  return String(static_cast<const char*>(stream.Memory()), stream.Size());
}

// Reads the definition in `bytes` into `root`.
inline void ReadInto(TComponent* root, const String& bytes) {
  TDefStream stream(bytes);
  stream.ReadComponentFrom(root);
}

// What the writer puts out for `root` against `ancestor`.
inline String WrittenDefinition(TComponent* root, TComponent* ancestor = nullptr,
                                int bufferSize = 256) {
  TMemoryStream stream;
  {
    TWriter writer(stream, bufferSize);
    writer.WriteRootDefinition(root, ancestor);
  }
  return BytesOf(stream);
}

// The definition of the main form as compiled into the program's resources.
inline String MainFormBytes() {
  TResourceStream stream(GetModuleHandleA(nullptr), "TMAINFORM", RT_RCDATA);
  return BytesOf(stream);
}

// While alive, a global component finder that finds nothing is installed, so
// that a root read into an existing component keeps the name it is given.
struct TKeepRootNames {
  TKeepRootNames() {
    SetGlobalComponentFinder([](const String&) -> TComponent* { return nullptr; });
  }
  ~TKeepRootNames() { SetGlobalComponentFinder(nullptr); }
};

}  // namespace streaming_test
