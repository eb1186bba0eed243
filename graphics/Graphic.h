// Pictures: TGraphic, the abstract picture stored in form definitions as the
// binary property "Data", and TIcon, whose picture is a platform icon and/or
// the bytes of an icon file, kept in an image shared between icons.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "Canvas.h"
#include "Events.h"
#include "Persistent.h"
#include "Streams.h"

class TGraphic : public TPersistent {
  SONDREL_CLASS(TGraphic)

 public:
  virtual void Draw(TCanvas& canvas, const RECT& rect) = 0;
  // Equal when both are empty, or of one class with the same stored bytes.
  virtual bool Equals(TGraphic& other);
  virtual bool Empty() const = 0;
  virtual int Height() const = 0;
  virtual int Width() const = 0;
  virtual void SetHeight(int height) = 0;
  virtual void SetWidth(int width) = 0;
  virtual void LoadFromFile(const String& fileName);
  virtual void SaveToFile(const String& fileName);
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  virtual void LoadFromClipboardFormat() = 0;
  virtual void SaveToClipboardFormat() = 0;

  bool Modified() const { return FModified; }
  TNotifyEvent OnChange;

 protected:
  virtual void ReadData(TStream& stream);
  virtual void WriteData(TStream& stream);
  void DefineProperties(TFiler& filer) override;
  void Changed();

 private:
  bool FModified = false;
};

// The shared picture of icons: a platform handle, the icon file bytes, or
// both; freed with its last sharer.
class TIconImage : public TObject {
  SONDREL_CLASS(TIconImage)

 public:
  TIconImage(HICON handle, std::unique_ptr<TMemoryStream> memory)
      : Handle(handle), Memory(std::move(memory)) {}
  TIconImage(const TIconImage&) = delete;
  TIconImage& operator=(const TIconImage&) = delete;
  ~TIconImage() override;

  void Reference() { ++RefCount; }
  // Counts down; the last release frees the image (and this object).
  static void Release(TIconImage* image);

  std::int32_t RefCount = 0;
  HICON Handle;
  std::unique_ptr<TMemoryStream> Memory;
};

class TIcon : public TGraphic {
  SONDREL_CLASS(TIcon)

 public:
  TIcon();
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;
  ~TIcon() override;

  // Made from the icon bytes on first use.
  HICON Handle();
  // Takes the handle: it is destroyed with the icon's image.
  void SetHandle(HICON handle);
  void AssignFrom(const TObject* source) override;

  void Draw(TCanvas& canvas, const RECT& rect) override;
  bool Empty() const override;
  // The system icon size, whatever the picture.
  int Height() const override;
  int Width() const override;
  void SetHeight(int height) override;
  void SetWidth(int width) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  void LoadFromClipboardFormat() override;
  void SaveToClipboardFormat() override;

  const TIconImage* Image() const { return FImage; }

 private:
  void ReplaceImage(HICON handle, std::unique_ptr<TMemoryStream> memory);
  void EnsureHandle();
  void EnsureImage();

  TIconImage* FImage;
};

// Decodes the icon file bytes after the 6-byte header (the stream stands
// there) into a platform icon, choosing the image that suits the display.
HICON DecodeIconStream(TStream& stream, int count);
// Writes a platform icon as a one-image, 16-colour icon file.
void EncodeIconStream(TStream& stream, HICON icon);
// The index of the directory entry chosen for a display of `displayColors`
// colours (0 for true colour), from the entries' colour-count words: an
// exact match, else the richest image the display can show.
int ChooseIconEntry(const std::uint16_t* colorCounts, int count, std::uint16_t displayColors);
// The display's colour count as the icon directory writes it.
std::uint16_t DisplayColorCount();
