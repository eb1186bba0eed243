#include "DefinitionTree.h"

#include "Reader.h"
#include "Writer.h"

String TDefValue::Identifier() const {
  switch (Tag) {
    case tgFalse: return "False";
    case tgTrue: return "True";
    case tgNil: return "nil";
    default: return Text;
  }
}

TValueTag IntegerTagFor(std::int32_t value) {
  if (value >= -128 && value <= 127) return tgInt8;
  if (value >= -32768 && value <= 32767) return tgInt16;
  return tgInt32;
}

TDefValue TextValue(const String& text) {
  TDefValue v;
  v.Tag = text.size() < 256 ? tgString : tgLongString;
  v.Text = text;
  return v;
}

namespace {

class TTreeReader {
 public:
  explicit TTreeReader(TStream& stream) : Reader(stream, 4096) {}

  TDefComponent Root() {
    Reader.CheckSignature();
    return Component();
  }

 private:
  TDefComponent Component() {
    TDepthGuard nesting(Depth);
    TDefComponent c;
    const std::uint8_t prefix = Reader.PeekTag();
    if (prefix >= 0xF0) {
      Reader.ReadTag();
      c.HasPrefix = true;
      c.Flags = prefix & 0x0F;
      if (c.Flags & pfChildPos) c.Position = Integer();
    }
    c.ClassName = Reader.ReadShortText();
    if (c.ClassName.empty()) throw EReadError("A component's class name is empty");
    c.Name = Reader.ReadShortText();
    while (!Reader.AtListEnd()) c.Props.push_back(Property());
    Reader.ReadTag();
    while (!Reader.AtListEnd()) c.Children.push_back(Component());
    Reader.ReadTag();
    return c;
  }

  TDefProperty Property() {
    TDefProperty p;
    p.Path = Reader.ReadShortText();
    p.Value = Value();
    return p;
  }

  TDefValue Integer() {
    const TValueTag tag = Reader.PeekTag();
    if (tag != tgInt8 && tag != tgInt16 && tag != tgInt32) throw EReadError(TResId::InvalidPropertyValue);
    return Value();
  }

  String Counted() {
    std::uint32_t count;
    Reader.ReadRaw(&count, 4);
    Reader.CheckAvailable(count);
    String s(count, '\0');
    Reader.ReadRaw(s.data(), static_cast<std::int32_t>(count));
    return s;
  }

  TDefValue Value() {
    TDepthGuard nesting(Depth);
    TDefValue v;
    v.Tag = Reader.ReadTag();
    switch (v.Tag) {
      case tgList:
        while (!Reader.AtListEnd()) v.Items.push_back(Value());
        Reader.ReadTag();
        break;
      case tgInt8: {
        std::int8_t n;
        Reader.ReadRaw(&n, 1);
        v.Int = n;
        break;
      }
      case tgInt16: {
        std::int16_t n;
        Reader.ReadRaw(&n, 2);
        v.Int = n;
        break;
      }
      case tgInt32: Reader.ReadRaw(&v.Int, 4); break;
      case tgExtended: Reader.ReadRaw(v.Extended, 10); break;
      case tgString:
      case tgIdent: v.Text = Reader.ReadShortText(); break;
      case tgBinary:
      case tgLongString: v.Text = Counted(); break;
      case tgSet:
        for (String name = Reader.ReadShortText(); !name.empty(); name = Reader.ReadShortText())
          v.Names.push_back(std::move(name));
        break;
      case tgFalse:
      case tgTrue:
      case tgNil: break;
      case tgCollection:
        while (!Reader.AtListEnd()) {
          TDepthGuard item(Depth);
          TDefItem i;
          const TValueTag tag = Reader.PeekTag();
          if (tag == tgInt8 || tag == tgInt16 || tag == tgInt32) i.Index.push_back(Value());
          if (Reader.ReadTag() != tgList) throw EReadError(TResId::InvalidPropertyValue);
          while (!Reader.AtListEnd()) i.Props.push_back(Property());
          Reader.ReadTag();
          v.CollectionItems.push_back(std::move(i));
        }
        Reader.ReadTag();
        break;
      default:  // the end byte where a value belongs, or no tag at all
        throw EReadError(TResId::InvalidPropertyValue);
    }
    return v;
  }

  TReader Reader;
  int Depth = 0;
};

class TTreeWriter {
 public:
  explicit TTreeWriter(TStream& stream) : Writer(stream, 4096) {}

  void Root(const TDefComponent& root) {
    Writer.WriteRaw("TPF0", 4);
    Component(root);
    Writer.DropBuffer();
  }

 private:
  void ShortText(const String& s) {
    if (s.size() > 255) throw EWriteError("A name or short text is longer than 255 characters");
    Writer.WriteShortText(s);
  }

  void Counted(const String& s) {
    const auto count = static_cast<std::uint32_t>(s.size());
    Writer.WriteRaw(&count, 4);
    Writer.WriteRaw(s.data(), static_cast<std::int32_t>(count));
  }

  void Component(const TDefComponent& c) {
    // Without a prefix byte the class name's length comes first, and 0 or
    // 240 and more would be read as something else.
    if (c.ClassName.empty() || (!c.HasPrefix && c.ClassName.size() >= 240))
      throw EWriteError("A component's class name is empty or too long to stand first in its record");
    if (c.HasPrefix) {
      const std::uint8_t prefix = 0xF0 | (c.Flags & 0x0F);
      Writer.WriteRaw(&prefix, 1);
      if (c.Flags & pfChildPos) Value(c.Position);
    }
    ShortText(c.ClassName);
    ShortText(c.Name);
    for (const TDefProperty& p : c.Props) Property(p);
    Writer.WriteListClose();
    for (const TDefComponent& child : c.Children) Component(child);
    Writer.WriteListClose();
  }

  void Property(const TDefProperty& p) {
    if (p.Path.empty()) throw EWriteError("A property has no name");
    ShortText(p.Path);
    Value(p.Value);
  }

  void Value(const TDefValue& v) {
    Writer.WriteTag(v.Tag);
    switch (v.Tag) {
      case tgList:
        for (const TDefValue& item : v.Items) Value(item);
        Writer.WriteListClose();
        break;
      case tgInt8:
      case tgInt16:
      case tgInt32: {
        const int width = v.Tag == tgInt8 ? 1 : v.Tag == tgInt16 ? 2 : 4;
        Writer.WriteRaw(&v.Int, width);  // little-endian: the low bytes come first
        break;
      }
      case tgExtended: Writer.WriteRaw(v.Extended, 10); break;
      case tgString:
      case tgIdent: ShortText(v.Text); break;
      case tgBinary:
      case tgLongString: Counted(v.Text); break;
      case tgSet:
        for (const String& name : v.Names) {
          if (name.empty()) throw EWriteError("A set element has no name");
          ShortText(name);
        }
        Writer.WriteListClose();
        break;
      case tgCollection:
        for (const TDefItem& item : v.CollectionItems) {
          for (const TDefValue& index : item.Index) Value(index);
          Writer.WriteListOpen();
          for (const TDefProperty& p : item.Props) Property(p);
          Writer.WriteListClose();
        }
        Writer.WriteListClose();
        break;
      default: break;
    }
  }

  TWriter Writer;
};

}  // namespace

TDefComponent ReadDefinitionTree(TStream& stream, std::int32_t* end) {
  TDefComponent root;
  {
    TTreeReader reader(stream);
    root = reader.Root();
  }  // the reader gives back what it buffered but did not use
  if (end) *end = stream.Position();
  return root;
}

void WriteDefinitionTree(const TDefComponent& root, TStream& stream) { TTreeWriter(stream).Root(root); }
