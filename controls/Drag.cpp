#include "Drag.h"

#include <cstdlib>
#include <type_traits>

SONDREL_CLASS_RECORD(TDragObject, TObject, "Controls");
SONDREL_CLASS_RECORD(TDragControlObject, TDragObject, "Controls");
SONDREL_CLASS_RECORD(TDragImageSet, TObject, "Controls");

namespace {

// The image-list functions of the common-controls library, loaded when first
// needed: loading that library costs a program tens of milliseconds at start,
// and only a drag with images uses it.
#define SONDREL_IMAGE_LIST_FUNCTIONS(F)                                                                    \
  F(Add) F(Create) F(Destroy) F(SetBkColor) F(BeginDrag) F(DragEnter) F(DragLeave) F(DragMove) F(EndDrag) \
  F(DragShowNolock) F(ReplaceIcon) F(SetDragCursorImage) F(GetDragImage)

struct TImageListFunctions {
#define SONDREL_MEMBER(name) decltype(&::ImageList_##name) name;
  SONDREL_IMAGE_LIST_FUNCTIONS(SONDREL_MEMBER)
#undef SONDREL_MEMBER
};

const TImageListFunctions& ImageLists() {
  static const TImageListFunctions functions = [] {
    HMODULE library = LoadLibraryA("comctl32.dll");
    if (!library) throw EOutOfResources(TResId::InvalidImageList);
    auto find = [library](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
          reinterpret_cast<void*>(GetProcAddress(library, name)));
      if (!function) throw EOutOfResources(TResId::InvalidImageList);
    };
    TImageListFunctions f{};
#define SONDREL_FIND(name) find(f.name, "ImageList_" #name);
    SONDREL_IMAGE_LIST_FUNCTIONS(SONDREL_FIND)
#undef SONDREL_FIND
    return f;
  }();
  return functions;
}

// The state of the one drag in progress.
struct TDragProgress {
  TControl* Control = nullptr;
  TDragObject* Object = nullptr;
  bool FreeObject = false;
  HWND Capture = nullptr;
  TControl* Target = nullptr;
  HWND TargetWindow = nullptr;
  POINT StartPos{}, Pos{};
  HCURSOR SaveCursor = nullptr;
  bool Active = false;
  TDragImageSet* Images = nullptr;
} Drag;

// The message handler of the hidden window that holds the capture.
struct TDragCapture {
  void Handle(TMessage& message) {
    try {
      if (message.Msg == WM_MOUSEMOVE) {
        POINT p = MessagePoint(message);
        ClientToScreen(Drag.Capture, &p);
        DragTo(p);
      } else if (message.Msg == WM_LBUTTONUP) {
        DragDone(true);
      }
    } catch (...) {
      if (Drag.Control) DragDone(false);
      throw;
    }
  }
} DragCapture;

}  // namespace

TControl* DragControl() { return Drag.Control; }

bool TControl::Dragging() const { return Drag.Control == this; }

void TControl::BeginDrag(bool immediate) {
  if (Is<TWinControl>() && static_cast<TWinControl*>(this)->AsFormHost())
    throw EInvalidOperation(TResId::CannotDragForm);
  if (Drag.Control) return;
  Drag.Control = this;
  if (FControlState & csLeftButtonDown) {
    // Ends the click and capture state of the press that starts the drag.
    POINT p;
    GetCursorPos(&p);
    p = ScreenToClient(p);
    PerformMessage(WM_LBUTTONUP, 0, PointToLParam(p.x, p.y));
  }
  if (Drag.Control == this) DragInitControl(this, immediate);
}

void DragInitControl(TControl* control, bool immediate) {
  Drag.Control = control;
  TDragObject* object = nullptr;
  Drag.FreeObject = false;
  try {
    control->NotifyStartDrag(object);
    if (!object) {
      object = new TDragControlObject(control);
      Drag.FreeObject = true;
    }
    DragInit(object, immediate);
  } catch (...) {
    if (Drag.FreeObject) delete object;
    Drag = TDragProgress{};
    throw;
  }
}

void DragInit(TDragObject* dragObject, bool immediate) {
  Drag.Object = dragObject;
  Drag.Target = nullptr;
  GetCursorPos(&Drag.StartPos);
  Drag.SaveCursor = GetCursor();
  Drag.Active = immediate;
  Drag.Images = dragObject->DragImages();
  Drag.Capture = AllocateUtilityWindow(TEvent<TMessage&>::Of<&TDragCapture::Handle>(&DragCapture));
  SetCapture(Drag.Capture);
  if (Drag.Active && Drag.Images) Drag.Images->BeginDragAt(GetDesktopWindow(), Drag.StartPos.x, Drag.StartPos.y);
  if (Drag.Active) DragTo(Drag.StartPos);
}

long SendDragMessage(HWND window, TDragMessage step, TDragObject* source, TControl* target, POINT pos) {
  if (!window) return 0;
  TDragRec record{pos, source, target};
  return SendMessageA(window, XM_DRAG, step, reinterpret_cast<LPARAM>(&record));
}

TControl* DragFindTarget(POINT screenPoint, HWND& window) {
  window = WindowFromPoint(screenPoint);
  while (window && !IsOwnWindow(window)) window = GetParent(window);
  return reinterpret_cast<TControl*>(SendDragMessage(window, dmFindTarget, Drag.Object, nullptr, screenPoint));
}

void DragTo(POINT pos) {
  if (!Drag.Active) {
    // A move of five pixels along either axis starts a pending drag.
    if (std::abs(Drag.StartPos.x - pos.x) < 5 && std::abs(Drag.StartPos.y - pos.y) < 5) return;
    if (Drag.Images) Drag.Images->BeginDragAt(GetDesktopWindow(), Drag.StartPos.x, Drag.StartPos.y);
  }
  Drag.Active = true;
  HWND targetWindow;
  TControl* target = DragFindTarget(pos, targetWindow);
  if (target != Drag.Target) {
    SendDragMessage(Drag.TargetWindow, dmDragLeave, Drag.Object, Drag.Target, Drag.Pos);
    Drag.Target = target;
    Drag.TargetWindow = targetWindow;
    Drag.Pos = pos;
    SendDragMessage(Drag.TargetWindow, dmDragEnter, Drag.Object, Drag.Target, Drag.Pos);
  }
  Drag.Pos = pos;
  const bool accepted = SendDragMessage(Drag.TargetWindow, dmDragMove, Drag.Object, Drag.Target, Drag.Pos) != 0;
  const TCursor cursor = Drag.Object->CursorFor(accepted, pos.x, pos.y);
  if (Drag.Images) {
    if (!target || (target->ControlStyle() & csShowsDragImages)) {
      // The platform cursor stays hidden while the image shows.
      Drag.Images->SetDragCursor(cursor);
      if (Drag.Images->Dragging())
        Drag.Images->DragMoveTo(pos.x, pos.y);
      else
        Drag.Images->BeginDragAt(GetDesktopWindow(), pos.x, pos.y);
      return;
    }
    Drag.Images->EndDrag();
  }
  SetCursor(AppHost().Cursors(cursor));
}

void DragDone(bool drop) {
  Drag.Control = nullptr;
  TDragObject* object = Drag.Object;
  const bool freeObject = Drag.FreeObject;
  try {
    if (GetCapture() == Drag.Capture) ReleaseCapture();
    DeallocateUtilityWindow(Drag.Capture);
    Drag.Capture = nullptr;
    if (Drag.Images)
      Drag.Images->EndDrag();
    else
      SetCursor(Drag.SaveCursor);
    POINT p = Drag.Target ? Drag.Target->ScreenToClient(Drag.Pos) : Drag.Pos;
    // The target's final answer decides whether the drop happens.
    const bool accepted =
        Drag.Active && SendDragMessage(Drag.TargetWindow, dmDragLeave, object, Drag.Target, Drag.Pos) != 0 && drop;
    Drag.Object = nullptr;
    if (!accepted) Drag.Pos = p = POINT{0, 0};
    SendDragMessage(Drag.TargetWindow, accepted ? dmDragDrop : dmDragEnd, object, Drag.Target, Drag.Pos);
    object->Finished(Drag.Target, p.x, p.y, accepted);
  } catch (...) {
    Drag = TDragProgress{};
    if (freeObject) delete object;
    throw;
  }
  Drag = TDragProgress{};
  if (freeObject) delete object;
}

// The target side: which control of this window lies at the point, and the
// enter, leave, move and drop steps for the target found.
void TWinControl::XMDrag(TMessage& message) {
  auto* record = reinterpret_cast<TDragRec*>(message.LParam);
  switch (message.WParam) {
    case dmFindTarget: {
      TControl* child = ControlAtPos(ScreenToClient(record->Pos), false);
      message.Result = reinterpret_cast<long>(child ? child : this);
      break;
    }
    case dmDragEnd:
      break;
    default: {
      TControl* target = record->Target;
      if (!target) break;
      // Handlers see the dragged control as the source.
      TObject* source = record->Source;
      if (source && source->Is<TDragControlObject>()) source = static_cast<TDragControlObject*>(source)->Control();
      POINT p = target->ScreenToClient(record->Pos);
      if (message.WParam == dmDragDrop) {
        target->DragDrop(source, p.x, p.y);
      } else {
        bool accept = false;
        target->DragOver(source, p.x, p.y, static_cast<TDragState>(message.WParam), accept);
        message.Result = accept;
      }
      break;
    }
  }
}

// --- Drag objects -------------------------------------------------------------------------------

TCursor TDragObject::CursorFor(bool accepted, int, int) { return accepted ? crDrag : crNoDrop; }
void TDragObject::Finished(TObject*, int, int, bool) {}
HINSTANCE TDragObject::ModuleInstance() { return GetModuleHandleA(nullptr); }

TCursor TDragControlObject::CursorFor(bool accepted, int, int) {
  return accepted ? FControl->DragCursor() : crNoDrop;
}

void TDragControlObject::Finished(TObject* target, int x, int y, bool accepted) {
  if (!accepted) FControl->DragCancelled();
  FControl->NotifyEndDrag(target, x, y);
}

void TDragControlObject::HideDragImage() {
  if (FControl->DragImages()) ImageLists().DragShowNolock(FALSE);
}

void TDragControlObject::ShowDragImage() {
  if (FControl->DragImages()) ImageLists().DragShowNolock(TRUE);
}

// --- Drag images --------------------------------------------------------------------------------

TDragImageSet::~TDragImageSet() {
  if (FHandle) ImageLists().Destroy(FHandle);
}

HIMAGELIST TDragImageSet::Handle() {
  if (FHandle) return FHandle;
  FHandle = ImageLists().Create(FWidth, FHeight, (FMasked ? ILC_MASK : 0) | ILC_COLORDDB, 4, FAllocBy);
  if (!FHandle) throw EInvalidOperation(TResId::InvalidImageList);
  if (FBkColor != clNone)
    ImageLists().SetBkColor(FHandle, FBkColor == static_cast<TColor>(0x20000000) ? CLR_DEFAULT : ResolveColor(FBkColor));
  return FHandle;
}

int TDragImageSet::Add(HBITMAP image, HBITMAP mask) { return ImageLists().Add(Handle(), image, mask); }

void TDragImageSet::StartDrag(int index, int hotX, int hotY) {
  ImageLists().BeginDrag(Handle(), index, hotX, hotY);
  FDragging = true;
}

// The point (x, y) of the drag window's client area, relative to its window
// rectangle, as the platform's image-list drag functions count.
POINT TDragImageSet::WindowPoint(int x, int y) const {
  POINT p{x, y};
  ClientToScreen(FDragWindow, &p);
  RECT r;
  GetWindowRect(FDragWindow, &r);
  return {p.x - r.left, p.y - r.top};
}

void TDragImageSet::BeginDragAt(HWND window, int x, int y) {
  if (!FHandle) return;
  if (!FDragging) StartDrag(0, 0, 0);
  BuildCursorImage();
  if (LockTo(window, x, y)) ShowCursor(FALSE);
}

bool TDragImageSet::LockTo(HWND window, int x, int y) {
  if (window == FDragWindow) return false;
  Unlock();
  FDragWindow = window;
  POINT p = WindowPoint(x, y);
  return ImageLists().DragEnter(window, p.x, p.y);
}

void TDragImageSet::Unlock() {
  if (!FDragWindow) return;
  ImageLists().DragLeave(FDragWindow);
  FDragWindow = nullptr;
}

void TDragImageSet::DragMoveTo(int x, int y) {
  POINT p = WindowPoint(x, y);
  ImageLists().DragMove(p.x, p.y);
}

void TDragImageSet::EndDrag() {
  if (!FDragging) return;
  Unlock();
  ImageLists().EndDrag();
  FDragging = false;
  SetDragCursor(crNone);
  ShowCursor(TRUE);
}

void TDragImageSet::SetDragCursor(TCursor cursor) {
  if (cursor == FDragCursor) return;
  FDragCursor = cursor;
  if (FDragging) BuildCursorImage();
}

// The platform combines the drag image with a cursor image: the screen's
// cursor for DragCursor, whose hot spot is learnt by setting it once.
void TDragImageSet::BuildCursorImage() {
  if (FDragCursor == crNone) return;
  HIMAGELIST cursors =
      ImageLists().Create(GetSystemMetrics(SM_CXCURSOR), GetSystemMetrics(SM_CYCURSOR), ILC_MASK, 1, 1);
  if (!cursors) return;
  HCURSOR cursor = AppHost().Cursors(FDragCursor);
  ImageLists().ReplaceIcon(cursors, -1, cursor);
  ImageLists().ReplaceIcon(cursors, -1, cursor);
  ImageLists().SetDragCursorImage(cursors, 0, 0, 0);
  POINT hot{0, 0};
  ImageLists().GetDragImage(nullptr, &hot);
  ImageLists().SetDragCursorImage(cursors, 1, hot.x, hot.y);
  ImageLists().Destroy(cursors);
}

void TDragImageSet::ShowDragImage() {
  if (FDragging) ImageLists().DragShowNolock(TRUE);
}

void TDragImageSet::HideDragImage() {
  if (FDragging) ImageLists().DragShowNolock(FALSE);
}
