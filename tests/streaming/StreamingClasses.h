// Component classes for the streaming tests: a tree shaped like the sound
// player's main form (a form with buttons, a panel and a label, each with a
// font), and a component with a published property of every kind.
#pragma once

#include <cstdint>
#include <vector>

#include "Collections.h"
#include "Components.h"
#include "Reader.h"
#include "StringLists.h"
#include "TypInfo.h"
#include "Writer.h"

namespace streaming_test {

extern const TTypeInfo ColorType;  // TColor, with identifiers clBlack, clWindowText, ...

// Registers the identifier converters of the colour and character-set types.
void RegisterConverters();

// Counts the live test components.
struct TCounted {
  TCounted() { ++Live; }
  ~TCounted() { --Live; }
  TCounted(const TCounted&) = delete;
  TCounted& operator=(const TCounted&) = delete;
  static inline int Live = 0;
};

class TFont : public TPersistent {
  SONDREL_CLASS(TFont)

 public:
  std::uint8_t Charset = 1;  // DEFAULT_CHARSET
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
  explicit TControl(TComponent* owner);
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
  void EnumChildren(const std::function<void(TComponent*)>& callback) override;
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
  TButton* ExitBtn = nullptr;
  TButton* Play1Btn = nullptr;
  TButton* Play2Btn = nullptr;
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
  explicit TEveryKind(TComponent* owner);

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
  void EnumChildren(const std::function<void(TComponent*)>& callback) override;
};

}  // namespace streaming_test
