// Drag-and-drop: a drag object travels with the mouse over framework
// windows; the control under the mouse is asked whether it accepts it, the
// cursor (or a drag image) shows the answer, and on release the target gets
// a drop and the source an end notification.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "Controls.h"

// The steps of XM_DRAG (its WParam); enter, leave and move reach the target's
// DragOver as the matching TDragState.
enum TDragMessage : unsigned { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragEnd, dmFindTarget };

// The record XM_DRAG points to.
struct TDragRec {
  POINT Pos;  // screen coordinates
  TDragObject* Source;
  TControl* Target;  // empty while the target is being found
};

class TDragObject : public TObject {
  SONDREL_CLASS(TDragObject)

 public:
  virtual TDragImageSet* DragImages() { return nullptr; }
  virtual TCursor CursorFor(bool accepted, int x, int y);
  virtual void Finished(TObject* target, int x, int y, bool accepted);
  virtual HINSTANCE ModuleInstance();
  virtual String DisplayName() { return ClassName(); }
  virtual void HideDragImage() {}
  virtual void ShowDragImage() {}
};

// The drag object of a dragged control.
class TDragControlObject : public TDragObject {
  SONDREL_CLASS(TDragControlObject)

 public:
  explicit TDragControlObject(TControl* control) : FControl(control) {}
  TControl* Control() const { return FControl; }

  TDragImageSet* DragImages() override { return FControl->DragImages(); }
  TCursor CursorFor(bool accepted, int x, int y) override;
  void Finished(TObject* target, int x, int y, bool accepted) override;
  void HideDragImage() override;
  void ShowDragImage() override;

 private:
  TControl* FControl;
};

// A picture that follows the mouse while dragging, drawn by the platform's
// image-list drag functions.
class TDragImageSet : public TObject {
  SONDREL_CLASS(TDragImageSet)

 public:
  TDragImageSet(int width, int height) : FWidth(width), FHeight(height) {}
  TDragImageSet(const TDragImageSet&) = delete;
  TDragImageSet& operator=(const TDragImageSet&) = delete;
  ~TDragImageSet() override;

  // The platform image list, created on first use; EInvalidOperation
  // "Invalid ImageList" when it cannot be.
  HIMAGELIST Handle();
  int Add(HBITMAP image, HBITMAP mask);
  bool Masked() const { return FMasked; }
  void SetMasked(bool masked) { FMasked = masked; }
  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor color) { FBkColor = color; }
  bool Dragging() const { return FDragging; }
  HWND DragWindow() const { return FDragWindow; }
  TCursor DragCursor() const { return FDragCursor; }

  void StartDrag(int index, int hotX, int hotY);
  void BeginDragAt(HWND window, int x, int y);
  bool LockTo(HWND window, int x, int y);
  void Unlock();
  void DragMoveTo(int x, int y);
  void EndDrag();
  void SetDragCursor(TCursor cursor);
  void ShowDragImage();
  void HideDragImage();

 private:
  void BuildCursorImage();
  POINT WindowPoint(int x, int y) const;

  int FWidth, FHeight;
  int FAllocBy = 4;
  HIMAGELIST FHandle = nullptr;
  bool FMasked = true;
  TColor FBkColor = clNone;
  HWND FDragWindow = nullptr;
  bool FDragging = false;
  TCursor FDragCursor = crNone;
};

// The drag machinery, one drag at a time.
void DragInitControl(TControl* control, bool immediate);
void DragInit(TDragObject* dragObject, bool immediate);
void DragTo(POINT screenPoint);
void DragDone(bool drop);
TControl* DragFindTarget(POINT screenPoint, HWND& window);
long SendDragMessage(HWND window, TDragMessage step, TDragObject* source, TControl* target, POINT pos);
// The control whose drag is starting or running, or null.
TControl* DragControl();
