// A form definition as a tree of records, exactly as stored: every value keeps
// its tag (so an integer keeps its width and a short text stored as a long
// one stays long), every component its prefix byte. Reading a binary
// definition into a tree and writing the tree back gives the same bytes.
//
// The tree needs no classes: it is what the readable text form and the binary
// form have in common, and what the checker walks.
#pragma once

#include <cstdint>
#include <vector>

#include "Filer.h"

// Where a record stood in a readable text: 1-based line and column, or 0 for a
// record that came from a binary definition.
struct TTextPlace {
  int Line = 0;
  int Column = 0;
};

struct TDefValue;
struct TDefProperty;

// One collection item: its optional index value, then its property entries.
struct TDefItem {
  std::vector<TDefValue> Index;  // empty, or the one index value
  std::vector<TDefProperty> Props;
  TTextPlace Place;
};

struct TDefValue {
  TValueTag Tag = tgNil;
  std::int32_t Int = 0;          // tgInt8, tgInt16, tgInt32
  std::uint8_t Extended[10]{};   // tgExtended: the 80-bit value as stored
  String Text;                   // tgString, tgLongString, tgIdent, tgBinary
  std::vector<String> Names;     // tgSet
  std::vector<TDefValue> Items;  // tgList
  std::vector<TDefItem> CollectionItems;  // tgCollection
  TTextPlace Place;

  bool IsInteger() const { return Tag == tgInt8 || Tag == tgInt16 || Tag == tgInt32; }
  // The identifier a tgIdent, tgFalse, tgTrue or tgNil value reads as.
  String Identifier() const;
};

struct TDefProperty {
  String Path;
  TDefValue Value;
  TTextPlace Place;
};

struct TDefComponent {
  bool HasPrefix = false;  // the record starts with a prefix byte
  std::uint8_t Flags = 0;  // its low four bits
  TDefValue Position;      // the child position, when Flags has pfChildPos
  String ClassName;
  String Name;
  std::vector<TDefProperty> Props;
  std::vector<TDefComponent> Children;
  TTextPlace Place;
};

// The smallest integer tag that holds `value`, as the writer chooses it.
TValueTag IntegerTagFor(std::int32_t value);
// A text value with the tag the writer would choose.
TDefValue TextValue(const String& text);

// Reads a whole binary definition (signature and root record) with the
// reader's primitives, so damage ends in the reader's typed errors. Bytes
// after the root record are not read; `end` receives the stream position
// after the record. A record with an empty class name raises EReadError as
// well: no class can be made of it, and neither the writer nor the text takes
// it.
//
// Records nested deeper than MaxDefinitionDepth levels are refused. The root
// stands at level 1; a child one level below its parent; a value, the child
// position included, one below its component, list or collection item; a
// collection item one below its collection. The text parser counts the same
// levels.
TDefComponent ReadDefinitionTree(TStream& stream, std::int32_t* end = nullptr);
// Writes the tree as a binary definition with the writer's primitives.
void WriteDefinitionTree(const TDefComponent& root, TStream& stream);
