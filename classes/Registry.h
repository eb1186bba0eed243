// The class registry and the global state of form-definition streaming:
// registered classes, identifier converters, pending references between
// roots, global loading lists, and the reading of a component's definitions
// from the program's resources.
#pragma once

#include <cstdint>

#include "Components.h"
#include "TypInfo.h"

class TList;

// Makes the class and its ancestors up to TPersistent known by name.
void RegisterClassChain(TClass cls);
void RegisterClassList(const TClass* classes, int lastIndex);
TClass LookupClass(const String& name);
// As LookupClass, but raises EClassNotFound "Class %s not found".
TClass RequireClass(const String& name);
// A class named by a published field class of the root's class chain, else
// a registered class of that name, else null.
TClass LookupFieldClass(TClass rootClass, const String& className);
// As LookupFieldClass, but raises EClassNotFound "Class %s not found".
TClass FindFieldClass(TComponent* root, const String& className);
// Creates a component of `cls` with its virtual constructor, then runs its
// AfterConstruction (a failure there destroys it again); raises
// EClassNotFound when the class cannot create components.
TComponent* CreateComponent(TClass cls, TComponent* owner);
// The virtual constructor alone, for callers that run AfterConstruction
// themselves.
TComponent* ConstructComponent(TClass cls, TComponent* owner);

// Identifier converters: numbers of an integer type by name and back.
using TIdentToInt = bool (*)(const String& identifier, std::int32_t& value);
using TIntToIdent = bool (*)(std::int32_t value, String& identifier);

class TIntConst : public TObject {
  SONDREL_CLASS(TIntConst)

 public:
  TIntConst(const TTypeInfo* type, TIdentToInt identToInt, TIntToIdent intToIdent)
      : IntegerType(type), IdentToInt(identToInt), IntToIdent(intToIdent) {}
  const TTypeInfo* IntegerType;
  TIdentToInt IdentToInt;
  TIntToIdent IntToIdent;
};

void RegisterIdentConverter(const TTypeInfo* type, TIdentToInt identToInt, TIntToIdent intToIdent);
// Tries the converters of exactly this type, in registration order.
bool IdentifierToInteger(const TTypeInfo* type, const String& identifier, std::int32_t& value);
// The first converter of exactly this type, or null.
const TIntConst* FindIntConst(const TTypeInfo* type);

// A component reference waiting for its component.
class TPropFixup : public TObject {
  SONDREL_CLASS(TPropFixup)

 public:
  TPropFixup(TPersistent* instance, TComponent* instanceRoot, const TPropInfo* prop,
             const String& rootName, const String& name)
      : Instance(instance), InstanceRoot(instanceRoot), Prop(prop), RootName(rootName), Name(name) {}
  TPersistent* Instance;
  TComponent* InstanceRoot;
  const TPropInfo* Prop;
  String RootName;  // empty for a reference inside the same root
  String Name;
};

// Pending references naming another root; resolved after every successful
// ReadRoot, discarded when a read fails or a root goes away.
void AddGlobalFixup(TPropFixup* fixup);
int GlobalFixupCount();
void ResolveGlobalFixups();
void DiscardFixups(TComponent* root, const String& rootName);

// Finds a top-level component (a form) by name; installed by the forms layer.
using TGlobalComponentFinder = TComponent* (*)(const String& name);
TGlobalComponentFinder GlobalComponentFinder();
void SetGlobalComponentFinder(TGlobalComponentFinder finder);

// The global loading bracket: while a list is current, ReadRoot leaves the
// AfterLoad calls to the bracket's owner.
void BeginGlobalLoad();
void NotifyGlobalLoad();
void EndGlobalLoad();
TList* GlobalLoadingList();

// Reads the form-definition resource named `name` (RT_RCDATA of this
// program) into `instance`; false when there is no such resource.
bool ReadDefinitionResource(const String& name, TComponent* instance);
// Reads the definitions of the instance's class chain below `rootAncestor`,
// oldest first, then calls AfterLoad on everything read; false when no
// class of the chain has a definition.
bool LoadInheritedDefinitions(TComponent* instance, TClass rootAncestor);
