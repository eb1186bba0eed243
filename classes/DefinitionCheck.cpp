#include "DefinitionCheck.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>

#include "Collections.h"
#include "DefinitionText.h"
#include "Registry.h"
#include "TypInfo.h"

namespace {

// Collects the properties an object declares for itself.
class TDeclarations : public TFiler {
 public:
  explicit TDeclarations(TStream& stream) : TFiler(stream, 0) {}
  void DeclareProperty(const String& name, TReaderProc, TWriterProc, bool) override { Add(name, false); }
  void DeclareBinaryProperty(const String& name, TStreamProc, TStreamProc, bool) override { Add(name, true); }
  void DropBuffer() override {}
  void Collect(TPersistent& object) { AskDeclarations(object); }

  // 0: not declared, 1: declared, 2: declared as binary data.
  int Find(const String& name) const {
    for (const auto& [declared, binary] : Names)
      if (SameName(name, declared.c_str())) return binary ? 2 : 1;
    return 0;
  }

 private:
  void Add(const String& name, bool binary) { Names.emplace_back(name, binary); }
  std::vector<std::pair<String, bool>> Names;
};

const char* KindOf(const TDefValue& v) {
  switch (v.Tag) {
    case tgInt8:
    case tgInt16:
    case tgInt32: return "an integer";
    case tgExtended: return "a float";
    case tgString:
    case tgLongString: return "a text";
    case tgNil: return "nil";
    case tgSet: return "a set";
    case tgList: return "a list";
    case tgCollection: return "a collection";
    case tgBinary: return "binary data";
    default: return "an identifier";
  }
}

bool IsIdentifier(const TDefValue& v) {
  return v.Tag == tgIdent || v.Tag == tgFalse || v.Tag == tgTrue || v.Tag == tgNil;
}

String Quote(const String& s) { return "\"" + s + "\""; }

// How problems name a component: by its name, or by its class when it has none.
String Subject(const TDefComponent& c) { return c.Name.empty() ? c.ClassName : c.Name; }

String Key(String name) {
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return name;
}

class TChecker {
 public:
  explicit TChecker(const String& fileName) : File(fileName) {}

  std::vector<String> Run(const TDefComponent& root) {
    RootName = Subject(root);
    RootClass = LookupClass(root.ClassName);
    if (!RootClass || !RootClass->InheritsFrom(TComponent::StaticClass()))
      Problem(root.Place, RootName, root.ClassName + " is not a registered component class");
    Names(root, RootScope, true);
    Component(root);
    Fields(root);
    std::stable_sort(Problems.begin(), Problems.end(), [](const auto& a, const auto& b) {
      return a.first.Line != b.first.Line ? a.first.Line < b.first.Line : a.first.Column < b.first.Column;
    });
    std::vector<String> out;
    for (auto& [place, text] : Problems) out.push_back(std::move(text));
    return out;
  }

 private:
  struct TKnown {
    const TDefComponent* Def;
    TClass Class;  // null when unknown
  };
  using TScope = std::map<String, TKnown>;

  void Problem(TTextPlace place, const String& subject, const String& message) {
    Problems.emplace_back(place, PlacePrefix(File, place) + subject + ": " + message);
  }

  // Resolves the classes of the components and records their names; an
  // inline child's own children have names of their own.
  void Names(const TDefComponent& c, TScope& scope, bool isRoot) {
    TClass cls = isRoot ? RootClass : ChildClass(c);
    if (!isRoot) {
      if (!c.Name.empty() && !IsValidIdent(c.Name)) {
        Problem(c.Place, c.Name, Quote(c.Name) + " is not a valid component name");
      } else if (!c.Name.empty() && !scope.emplace(Key(c.Name), TKnown{&c, cls}).second) {
        Problem(c.Place, c.Name, "a component named " + c.Name + " already exists");
      }
    }
    Classes[&c] = cls;
    if (c.Flags & pfInline) {
      InlineScopes.emplace_back();
      for (const TDefComponent& child : c.Children) Names(child, InlineScopes.back(), false);
    } else {
      for (const TDefComponent& child : c.Children) Names(child, scope, false);
    }
  }

  TClass ChildClass(const TDefComponent& c) {
    TClass cls = RootClass ? LookupFieldClass(RootClass, c.ClassName) : LookupClass(c.ClassName);
    const String subject = Subject(c);
    if (!cls) {
      Problem(c.Place, subject,
              "unknown class " + c.ClassName + " (neither registered nor a field class of " +
                  (RootClass ? String(RootClass->Name) : RootName) + ")");
    } else if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->Published || !cls->Published->Create) {
      Problem(c.Place, subject, c.ClassName + " is not a component class");
      cls = nullptr;
    }
    return cls;
  }

  // A bare instance of a component class, made once.
  TComponent* Sample(TClass cls, const TDefComponent& c) {
    auto found = Samples.find(cls);
    if (found != Samples.end()) return found->second.get();
    std::unique_ptr<TComponent> sample;
    try {
      sample.reset(ConstructComponent(cls, nullptr));
    } catch (const Exception& e) {
      Problem(c.Place, Subject(c),
              "cannot make a " + String(cls->Name) + " to check against: " + e.Message());
    }
    return (Samples[cls] = std::move(sample)).get();
  }

  void Component(const TDefComponent& c) {
    const TClass cls = Classes[&c];
    TComponent* sample = cls ? Sample(cls, c) : nullptr;
    if (sample) {
      const String owner = Subject(c);
      for (const TDefProperty& p : c.Props) Property(sample, owner, p);
    }
    for (const TDefComponent& child : c.Children) Component(child);
  }

  void Property(TPersistent* object, const String& owner, const TDefProperty& p) {
    const String subject = owner + "." + p.Path;
    std::size_t start = 0;
    for (std::size_t dot; (dot = p.Path.find('.', start)) != String::npos; start = dot + 1) {
      const String name = p.Path.substr(start, dot - start);
      const TPropInfo* prop = FindPropInfo(object->ClassType(), name);
      if (!prop) return Problem(p.Place, subject, NoProperty(object, name));
      TObject* next = prop->PropType->Kind == tkClass ? AsObject(ReadOrdinalProp(object, prop)) : nullptr;
      if (!next || !next->Is<TPersistent>())
        return Problem(p.Place, subject, name + " of " + object->ClassName() + " holds no object to set properties of");
      object = static_cast<TPersistent*>(next);
    }
    const String name = p.Path.substr(start);
    if (const TPropInfo* prop = FindPropInfo(object->ClassType(), name)) return Value(object, prop, subject, p.Value);
    TDeclarations declared(Scratch);
    if (RootClass) declared.SetRoot(Samples.count(RootClass) ? Samples[RootClass].get() : nullptr);
    declared.Collect(*object);
    switch (declared.Find(name)) {
      case 0: return Problem(p.Place, subject, NoProperty(object, name));
      case 2:
        if (p.Value.Tag != tgBinary)
          Problem(p.Value.Place, subject, name + " takes binary data, not " + KindOf(p.Value));
        return;
      default: return;  // its own handler reads whatever it wrote
    }
  }

  static String NoProperty(const TPersistent* object, const String& name) {
    return object->ClassName() + " has no published property " + Quote(name);
  }

  static TObject* AsObject(std::int32_t ordinal) {
    return reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(ordinal)));
  }

  void WrongKind(const TDefValue& v, const String& subject, const TTypeInfo* type, const char* takes) {
    Problem(v.Place, subject, String(type->TypeName()) + " takes " + takes + ", not " + KindOf(v));
  }

  void Value(TPersistent* object, const TPropInfo* prop, const String& subject, const TDefValue& v) {
    const TTypeInfo* type = prop->PropType;
    if (!prop->HasSetter) return Problem(v.Place, subject, String(prop->Name) + " of " + object->ClassName() + " is read-only");
    switch (type->Kind) {
      case tkInteger:
        if (v.IsInteger()) return;
        if (v.Tag == tgIdent) {
          std::int32_t value;
          if (IdentifierToInteger(type, v.Text, value)) return;
          if (FindIntConst(type))
            return Problem(v.Place, subject, Quote(v.Text) + " is not an identifier of " + type->TypeName());
        }
        return WrongKind(v, subject, type, "a number");
      case tkChar:
        if (v.Tag == tgString && v.Text.size() == 1) return;
        return WrongKind(v, subject, type, "a text of one character");
      case tkEnumeration: {
        if (!IsIdentifier(v)) return WrongKind(v, subject, type, "a value name");
        const int value = EnumValueByName(type, v.Identifier());
        if (value < type->MinValue || value > type->MaxValue)
          Problem(v.Place, subject, Quote(v.Identifier()) + " is not a value of " + type->TypeName());
        return;
      }
      case tkFloat:
        if (v.Tag == tgExtended || v.IsInteger()) return;
        return WrongKind(v, subject, type, "a number");
      case tkString:
      case tkLString:
        if (v.Tag == tgString || v.Tag == tgLongString) return;
        return WrongKind(v, subject, type, "a text");
      case tkSet:
        if (v.Tag != tgSet) return WrongKind(v, subject, type, "a set");
        for (const String& name : v.Names)
          if (EnumValueByName(type->ElementType, name) < 0)
            Problem(v.Place, subject, Quote(name) + " is not an element of " + type->TypeName());
        return;
      case tkClass:
        if (v.Tag == tgNil) return;
        if (v.Tag == tgCollection) return Collection(object, prop, subject, v);
        if (!IsIdentifier(v)) return WrongKind(v, subject, type, "a component name or nil");
        return Reference(v, subject, type->ClassType);
      case tkMethod:
        if (v.Tag == tgNil) return;
        if (!IsIdentifier(v)) return WrongKind(v, subject, type, "a method name or nil");
        return Event(v, subject, type);
      default:
        return;
    }
  }

  void Collection(TPersistent* object, const TPropInfo* prop, const String& subject, const TDefValue& v) {
    TObject* current = AsObject(ReadOrdinalProp(object, prop));
    if (!current || !current->Is<TCollection>())
      return Problem(v.Place, subject, String(prop->Name) + " of " + object->ClassName() + " is no collection");
    auto* collection = static_cast<TCollection*>(current);
    TCollectionItem* item = collection->Count() ? collection->Items(0) : collection->Add();
    for (std::size_t i = 0; i < v.CollectionItems.size(); ++i)
      for (const TDefProperty& p : v.CollectionItems[i].Props)
        Property(item, subject + "[" + std::to_string(i) + "]", p);
  }

  // "Name" or ".Name" is a component of this definition; "Root.Name" one of
  // another root, known only when the program runs.
  void Reference(const TDefValue& v, const String& subject, TClass propClass) {
    String name = v.Identifier();
    const std::size_t dot = name.find('.');
    if (dot != String::npos && dot > 0) return;
    if (dot == 0) name.erase(0, 1);
    auto found = RootScope.find(Key(name));
    if (found == RootScope.end()) return Problem(v.Place, subject, "no component named " + Quote(name));
    const TClass cls = found->second.Class;
    if (cls && propClass && !cls->InheritsFrom(propClass))
      Problem(v.Place, subject, name + " is a " + cls->Name + ", not a " + propClass->Name);
  }

  void Event(const TDefValue& v, const String& subject, const TTypeInfo* type) {
    if (!RootClass) return;
    const String name = v.Identifier();
    const TMethodEntry* method = FindPublishedMethod(RootClass, name);
    if (!method) return Problem(v.Place, subject, String(RootClass->Name) + " has no published method " + Quote(name));
    if (method->Shape && type->Shape && method->Shape != type->Shape)
      Problem(v.Place, subject,
              String(method->Name) + " of " + RootClass->Name + " does not take the parameters of " + type->TypeName() +
                  (type->Signature ? String(" ") + type->Signature : String()));
  }

  // Each published field of the root class names a component of its class.
  void Fields(const TDefComponent& root) {
    if (!RootClass || !RootClass->Published) return;
    const TPublishedTables& tables = *RootClass->Published;
    for (const TFieldEntry& field : tables.Fields) {
      const TClass fieldClass = field.ClassIndex < tables.FieldClasses.size() ? tables.FieldClasses[field.ClassIndex] : nullptr;
      auto found = RootScope.find(Key(field.Name));
      if (found == RootScope.end()) {
        Problem(root.Place, RootName,
                String("published field ") + field.Name + (fieldClass ? String(" (") + fieldClass->Name + ")" : String()) +
                    " of " + RootClass->Name + " has no component");
      } else if (fieldClass && found->second.Class && !found->second.Class->InheritsFrom(fieldClass)) {
        Problem(found->second.Def->Place, field.Name,
                String("field ") + field.Name + " of " + RootClass->Name + " holds a " + fieldClass->Name + ", not a " +
                    found->second.Class->Name);
      }
    }
  }

  const String& File;
  String RootName;
  TClass RootClass = nullptr;
  TScope RootScope;
  std::deque<TScope> InlineScopes;  // grows while references to it are held
  std::map<const TDefComponent*, TClass> Classes;
  std::map<TClass, std::unique_ptr<TComponent>> Samples;
  TMemoryStream Scratch;
  std::vector<std::pair<TTextPlace, String>> Problems;
};

}  // namespace

std::vector<String> CheckDefinition(const TDefComponent& root, const String& fileName) {
  return TChecker(fileName).Run(root);
}
