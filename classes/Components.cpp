#include "Components.h"

#include "Reader.h"
#include "Writer.h"

constinit const TTypeInfo ComponentNameTypeInfo = StringType("TComponentName");

namespace {
const TPropInfo ComponentProps[] = {
    Prop<&TComponent::Name, &TComponent::Rename>("Name", ComponentNameTypeInfo).Stored(false),
    Prop<&TComponent::Tag, &TComponent::SetTag>("Tag", LongintTypeInfo).Default(0),
};
}  // namespace

SONDREL_PUBLISHED_CLASS(TComponent, TPersistent, "Classes",
                        {.Props = ComponentProps, .Create = &NewComponent<TComponent>});

bool IsValidIdent(const String& name) {
  if (name.empty()) return false;
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!letter(name[0])) return false;
  for (char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

TComponent::TComponent(TComponent* owner) : FStyle(1) {
  if (owner) owner->AddOwned(this);
}

TComponent::~TComponent() {
  if (FFreeNotices) {
    // Each notified component takes itself out of the list as it hears.
    std::unique_ptr<TList> notices = std::move(FFreeNotices);
    for (int i = 0; i < notices->Count(); ++i)
      static_cast<TComponent*>(notices->Items(i))->Notify(this, ntRemoved);
  }
  MarkDestroying();
  DestroyOwned();
  if (FOwner) FOwner->RemoveOwned(this);
}

void TComponent::CheckOwnerField(const TComponent* owner, const String& name) const {
  if (!owner || name.empty()) return;
  TClass fieldClass = nullptr;
  if (FieldAddressByName(const_cast<TComponent*>(owner), name, &fieldClass) && fieldClass &&
      !InheritsFrom(fieldClass))
    throw EInvalidCast(TResId::InvalidCast);
}

void TComponent::BindOwnerField(const String& name, TComponent* value) {
  if (!FOwner || name.empty()) return;
  if (TObject** field = FieldAddressByName(FOwner, name)) *field = value;
}

void TComponent::AddOwned(TComponent* component) {
  CheckRename(component, String(), component->FName);
  component->CheckOwnerField(this, component->FName);
  if (!FOwned) FOwned = std::make_unique<TList>();
  FOwned->Add(component);
  component->FOwner = this;
  component->BindOwnerField(component->FName, component);
  if (FState & stDesigning) component->SetDesigning(true);
  Notify(component, ntInserted);
}

void TComponent::RemoveOwned(TComponent* component) {
  Notify(component, ntRemoved);
  component->BindOwnerField(component->FName, nullptr);
  FOwned->Remove(component);
  component->FOwner = nullptr;
  if (FOwned->Count() == 0) FOwned.reset();
  component->SetDesigning(false);
  CheckRename(component, component->FName, String());
}

void TComponent::SetDesigning(bool designing) {
  if (designing)
    FState |= stDesigning;
  else
    FState &= ~stDesigning;
  for (int i = 0; i < OwnedCount(); ++i) OwnedAt(i)->SetDesigning(designing);
}

TComponent* TComponent::FindOwned(const String& name) const {
  if (name.empty() || !FOwned) return nullptr;
  for (int i = 0; i < FOwned->Count(); ++i) {
    auto* c = static_cast<TComponent*>(FOwned->Items(i));
    if (SameName(name, c->FName.c_str())) return c;
  }
  return nullptr;
}

TComponent* TComponent::OwnedAt(int index) const {
  if (!FOwned) throw EListError(TResId::ListIndexOutOfBounds);
  return static_cast<TComponent*>(FOwned->Items(index));
}

int TComponent::ComponentIndex() const {
  return FOwner && FOwner->FOwned ? FOwner->FOwned->IndexOf(const_cast<TComponent*>(this)) : -1;
}

void TComponent::SetComponentIndex(int index) {
  const int current = ComponentIndex();
  if (current < 0) return;
  TList& list = *FOwner->FOwned;
  if (index < 0) index = 0;
  if (index >= list.Count()) index = list.Count() - 1;
  if (index == current) return;
  list.Delete(current);
  list.Insert(index, this);
}

void TComponent::DestroyOwned() {
  while (FOwned) {
    auto* c = static_cast<TComponent*>(FOwned->Last());
    FOwned->Delete(FOwned->Count() - 1);
    c->FOwner = nullptr;
    if (FOwned->Count() == 0) FOwned.reset();
    delete c;
  }
}

void TComponent::MarkDestroying() {
  if (FState & stDestroying) return;
  FState |= stDestroying;
  for (int i = 0; i < OwnedCount(); ++i) OwnedAt(i)->MarkDestroying();
}

void TComponent::RequestFreeNotice(TComponent* component) {
  if (FOwner && component->FOwner == FOwner) return;
  if (!FFreeNotices) FFreeNotices = std::make_unique<TList>();
  if (FFreeNotices->IndexOf(component) < 0) {
    FFreeNotices->Add(component);
    component->RequestFreeNotice(this);
  }
}

void TComponent::EnumChildren(const std::function<void(TComponent*)>&) {}
TComponent* TComponent::ChildOwner() { return nullptr; }
TComponent* TComponent::ChildParent() { return this; }
void TComponent::AfterLoad() { FState &= ~stLoading; }

void TComponent::Notify(TComponent* component, TOperation operation) {
  if (operation == ntRemoved && FFreeNotices) {
    FFreeNotices->Remove(component);
    if (FFreeNotices->Count() == 0) FFreeNotices.reset();
  }
  for (int i = 0; i < OwnedCount(); ++i) OwnedAt(i)->Notify(component, operation);
}

void TComponent::ReadContent(TReader& reader) { reader.ReadComponentData(this); }

void TComponent::Rename(const String& newName) {
  if (newName == FName) return;
  if (!newName.empty() && !IsValidIdent(newName))
    throw EComponentError(TResId::InvalidComponentName, {newName});
  if (FOwner)
    FOwner->CheckRename(this, FName, newName);
  else
    CheckRename(nullptr, FName, newName);
  CheckOwnerField(FOwner, newName);
  BindOwnerField(FName, nullptr);
  FName = newName;
  BindOwnerField(FName, this);
}

void TComponent::MoveChild(TComponent*, int) {}
void TComponent::AttachToParent(TComponent*) {}
void TComponent::MarkUpdating() { FState |= stUpdating; }
void TComponent::MarkUpdated() { FState &= ~stUpdating; }

void TComponent::CheckRename(TComponent* component, const String& currentName,
                             const String& newName) {
  if (component && !SameName(currentName, newName.c_str()) && FindOwned(newName))
    throw EComponentError(TResId::DuplicateComponentName, {newName});
  if ((FState & stDesigning) && FOwner) FOwner->CheckRename(component, currentName, newName);
}

void TComponent::WriteContent(TWriter& writer) { writer.WriteComponentData(this); }
TComponent* TComponent::ParentComponent() const { return nullptr; }
bool TComponent::HasParentComponent() const { return false; }

void TComponent::DefineProperties(TFiler& filer) {
  TPersistent* a = filer.Ancestor();
  auto* ancestor = a && a->Is<TComponent>() ? static_cast<TComponent*>(a) : nullptr;
  bool leftDiffers = ancestor ? FLeft != ancestor->FLeft : FLeft != 0;
  bool topDiffers = ancestor ? FTop != ancestor->FTop : FTop != 0;
  filer.DeclareProperty("Left", TReaderProc::Of<&TComponent::ReadLeft>(this),
                        TWriterProc::Of<&TComponent::WriteLeft>(this), leftDiffers);
  filer.DeclareProperty("Top", TReaderProc::Of<&TComponent::ReadTop>(this),
                        TWriterProc::Of<&TComponent::WriteTop>(this), topDiffers);
}

void TComponent::ReadLeft(TReader& reader) { FLeft = static_cast<std::int16_t>(reader.ReadInt()); }
void TComponent::ReadTop(TReader& reader) { FTop = static_cast<std::int16_t>(reader.ReadInt()); }
void TComponent::WriteLeft(TWriter& writer) { writer.WriteInt(FLeft); }
void TComponent::WriteTop(TWriter& writer) { writer.WriteInt(FTop); }
