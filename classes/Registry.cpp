#include "Registry.h"

#include <memory>

#include "Lists.h"
#include "Reader.h"
#include "StringLists.h"

SONDREL_CLASS_RECORD(TIntConst, TObject, "Classes");
SONDREL_CLASS_RECORD(TPropFixup, TObject, "Classes");

namespace {

// The streaming layer's global state, created on first use and released at
// program end.
struct TRegistry {
  TList Classes;            // of TClass
  TStringList ClassAliases;  // name, with the TClass as object
  TList Converters;         // of TIntConst, owned
  TList GlobalFixups;       // of TPropFixup, owned
  TList LoadingStack;       // of TList (the enclosing loading lists)
  TList* LoadingList = nullptr;
  TGlobalComponentFinder Finder = nullptr;

  ~TRegistry() {
    for (int i = 0; i < Converters.Count(); ++i) delete static_cast<TIntConst*>(Converters.Items(i));
    for (int i = 0; i < GlobalFixups.Count(); ++i)
      delete static_cast<TPropFixup*>(GlobalFixups.Items(i));
  }
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

TClass ClassAt(const TList& list, int i) { return static_cast<TClass>(list.Items(i)); }

}  // namespace

// --- Classes -------------------------------------------------------------------

TClass LookupClass(const String& name) {
  TRegistry& r = Registry();
  for (int i = 0; i < r.Classes.Count(); ++i)
    if (SameName(name, ClassAt(r.Classes, i)->Name)) return ClassAt(r.Classes, i);
  int alias = r.ClassAliases.IndexOf(name);
  if (alias >= 0) return reinterpret_cast<TClass>(r.ClassAliases.ObjectAt(alias));
  return nullptr;
}

TClass RequireClass(const String& name) {
  TClass cls = LookupClass(name);
  if (!cls) throw EClassNotFound(TResId::ClassNotFound, {name});
  return cls;
}

void RegisterClassChain(TClass cls) {
  TRegistry& r = Registry();
  while (cls && r.Classes.IndexOf(const_cast<TClassRec*>(cls)) < 0) {
    if (LookupClass(cls->Name)) throw EFilerError(TResId::DuplicateClassName, {cls->Name});
    r.Classes.Add(const_cast<TClassRec*>(cls));
    if (cls == TPersistent::StaticClass()) break;
    cls = cls->Parent;
  }
}

void RegisterClassList(const TClass* classes, int lastIndex) {
  for (int i = 0; i <= lastIndex; ++i) RegisterClassChain(classes[i]);
}

TClass LookupFieldClass(TClass rootClass, const String& className) {
  for (TClass cls = rootClass; cls && cls != TPersistent::StaticClass(); cls = cls->Parent)
    if (cls->Published)
      for (TClass fieldClass : cls->Published->FieldClasses)
        if (SameName(className, fieldClass->Name)) return fieldClass;
  return LookupClass(className);
}

TClass FindFieldClass(TComponent* root, const String& className) {
  if (TClass cls = LookupFieldClass(root->ClassType(), className)) return cls;
  return RequireClass(className);
}

TComponent* ConstructComponent(TClass cls, TComponent* owner) {
  // Each component class carries its own constructor; an inherited one would
  // build an object of the wrong class.
  if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->Published || !cls->Published->Create)
    throw EClassNotFound(TResId::ClassNotFound, {cls->Name});
  return cls->Published->Create(owner);
}

TComponent* CreateComponent(TClass cls, TComponent* owner) {
  std::unique_ptr<TComponent> component(ConstructComponent(cls, owner));
  component->AfterConstruction();
  return component.release();
}

// --- Identifier converters -----------------------------------------------------

void RegisterIdentConverter(const TTypeInfo* type, TIdentToInt identToInt, TIntToIdent intToIdent) {
  auto converter = std::make_unique<TIntConst>(type, identToInt, intToIdent);
  Registry().Converters.Add(converter.get());
  converter.release();
}

bool IdentifierToInteger(const TTypeInfo* type, const String& identifier, std::int32_t& value) {
  const TList& converters = Registry().Converters;
  for (int i = 0; i < converters.Count(); ++i) {
    auto* c = static_cast<const TIntConst*>(converters.Items(i));
    if (c->IntegerType == type && c->IdentToInt(identifier, value)) return true;
  }
  return false;
}

const TIntConst* FindIntConst(const TTypeInfo* type) {
  const TList& converters = Registry().Converters;
  for (int i = 0; i < converters.Count(); ++i) {
    auto* c = static_cast<const TIntConst*>(converters.Items(i));
    if (c->IntegerType == type) return c;
  }
  return nullptr;
}

// --- Global fix-ups ------------------------------------------------------------

void AddGlobalFixup(TPropFixup* fixup) { Registry().GlobalFixups.Add(fixup); }

int GlobalFixupCount() { return Registry().GlobalFixups.Count(); }

TGlobalComponentFinder GlobalComponentFinder() { return Registry().Finder; }

void SetGlobalComponentFinder(TGlobalComponentFinder finder) { Registry().Finder = finder; }

void ResolveGlobalFixups() {
  TRegistry& r = Registry();
  if (!r.Finder) return;
  for (int i = 0; i < r.GlobalFixups.Count();) {
    auto* fixup = static_cast<TPropFixup*>(r.GlobalFixups.Items(i));
    TComponent* root = r.Finder(fixup->RootName);
    if (!root && ReadOrdinalProp(fixup->Instance, fixup->Prop) == 0) {
      ++i;
      continue;
    }
    if (root) {
      TComponent* target = root->FindOwned(fixup->Name);
      if (target && !target->InheritsFrom(fixup->Prop->PropType->ClassType)) target = nullptr;
      WriteOrdinalProp(fixup->Instance, fixup->Prop,
                       static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(target)));
    }
    r.GlobalFixups.Delete(i);
    delete fixup;
  }
}

void DiscardFixups(TComponent* root, const String& rootName) {
  TList& fixups = Registry().GlobalFixups;
  for (int i = fixups.Count() - 1; i >= 0; --i) {
    auto* fixup = static_cast<TPropFixup*>(fixups.Items(i));
    if ((!root || fixup->InstanceRoot == root) &&
        (rootName.empty() || SameName(rootName, fixup->RootName.c_str()))) {
      fixups.Delete(i);
      delete fixup;
    }
  }
}

// --- Global loading ------------------------------------------------------------

void BeginGlobalLoad() {
  TRegistry& r = Registry();
  r.LoadingStack.Add(r.LoadingList);
  r.LoadingList = new TList;
}

void NotifyGlobalLoad() {
  TList* list = Registry().LoadingList;
  for (int i = 0; i < list->Count(); ++i) static_cast<TComponent*>(list->Items(i))->AfterLoad();
}

void EndGlobalLoad() {
  TRegistry& r = Registry();
  delete r.LoadingList;
  r.LoadingList = static_cast<TList*>(r.LoadingStack.Last());
  r.LoadingStack.Delete(r.LoadingStack.Count() - 1);
}

TList* GlobalLoadingList() { return Registry().LoadingList; }

// --- Definitions from resources -------------------------------------------------

bool ReadDefinitionResource(const String& name, TComponent* instance) {
  HMODULE module = GetModuleHandleA(nullptr);
  if (!FindResourceA(module, name.c_str(), RT_RCDATA)) return false;
  TResourceStream stream(module, name, RT_RCDATA);
  TReader reader(stream, 4096);
  reader.ReadRoot(instance);
  return true;
}

namespace {
bool ReadClassChain(TClass cls, TComponent* instance, TClass rootAncestor) {
  if (cls == TComponent::StaticClass() || cls == rootAncestor || !cls) return false;
  bool inherited = ReadClassChain(cls->Parent, instance, rootAncestor);
  bool own = ReadDefinitionResource(cls->Name, instance);
  return own || inherited;
}
}  // namespace

bool LoadInheritedDefinitions(TComponent* instance, TClass rootAncestor) {
  BeginGlobalLoad();
  try {
    bool result = ReadClassChain(instance->ClassType(), instance, rootAncestor);
    if (result) NotifyGlobalLoad();
    EndGlobalLoad();
    return result;
  } catch (...) {
    EndGlobalLoad();
    throw;
  }
}
