#include "BoardFrm.h"

#include <mmsystem.h>

#include <algorithm>
#include <memory>

#include "Application.h"
#include "SettingsFrm.h"

String SoundFolder;
TBoardForm* BoardForm = nullptr;

namespace {
constexpr int ButtonWidth = 100, ButtonHeight = 30, Gap = 8;
}  // namespace

void TBoardForm::FormCreate(TObject*) {
  FindSounds();
  for (int i = 0; i < static_cast<int>(FSounds.size()); ++i) {
    FButtons.push_back(AddSoundButton(Board, i));
    // A press on a board button plays it at once and may go on into a drag.
    FButtons.back()->OnMouseDown = TMouseEvent::Of<&TBoardForm::SoundMouseDown>(this);
  }
  LayOut();
  Application->OnHint = TNotifyEvent::Of<&TBoardForm::ShowHintText>(this);
}

// The WAVE files of the folder in name order, else the board's own sounds.
void TBoardForm::FindSounds() {
  if (SoundFolder.empty()) {
    FSounds = {{"Bell", "", "BELL"}, {"Drum", "", "DRUM"}, {"Chirp", "", "CHIRP"}};
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((SoundFolder + "\\*.wav").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const String file = found.cFileName;
    FSounds.push_back({file.substr(0, file.size() - 4), SoundFolder + "\\" + file, ""});
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(FSounds.begin(), FSounds.end(), [](const TSound& a, const TSound& b) { return a.Name < b.Name; });
}

TButton* TBoardForm::AddSoundButton(TWinControl* parent, int sound) {
  const TSound& s = FSounds[sound];
  auto* button = new TButton(this);
  button->SetCaption(s.Name);
  button->SetTag(sound);
  button->SetHint(s.Name + "|Plays " + (s.File.empty() ? "the board's own " + s.Name : s.File) + ".");
  button->SetPopupMenu(SoundPopup);
  button->OnClick = TNotifyEvent::Of<&TBoardForm::SoundClick>(this);
  button->SetBounds(0, 0, ButtonWidth, ButtonHeight);
  button->SetParent(parent);
  return button;
}

void TBoardForm::LayOut() {
  Board->VertScrollBar()->SetPosition(0);
  Board->HorzScrollBar()->SetPosition(0);
  for (std::size_t i = 0; i < FButtons.size(); ++i) {
    const int column = static_cast<int>(i) % FColumns, row = static_cast<int>(i) / FColumns;
    FButtons[i]->SetBounds(Gap + column * (ButtonWidth + Gap), Gap + row * (ButtonHeight + Gap), ButtonWidth,
                           ButtonHeight);
  }
}

void TBoardForm::Play(int sound) {
  const TSound& s = FSounds[sound];
  const DWORD flags = SND_ASYNC | SND_NODEFAULT | SND_NOWAIT;
  const BOOL played = s.File.empty() ? PlaySoundA(s.Resource.c_str(), GetModuleHandleA(nullptr), flags | SND_RESOURCE)
                                     : PlaySoundA(s.File.c_str(), nullptr, flags | SND_FILENAME);
  FLast = sound;
  if (played)
    StatusPanel->SetCaption("Playing " + s.Name + ".");
  else
    Application->MessageBox(("Cannot play " + s.Name + ".").c_str(), "Sound Board", MB_ICONEXCLAMATION);
}

void TBoardForm::SoundClick(TObject* sender) { Play(static_cast<TComponent*>(sender)->Tag()); }

void TBoardForm::SoundMouseDown(TObject* sender, TMouseButton button, TShiftState, int, int) {
  if (button == mbLeft) static_cast<TControl*>(sender)->BeginDrag(false);
}

void TBoardForm::ShowHintText(TObject*) {
  if (!Application->Hint().empty()) StatusPanel->SetCaption(LongHintOf(Application->Hint()));
}

void TBoardForm::SettingsItemClick(TObject*) {
  std::unique_ptr<TSettingsForm> settings(NewForm<TSettingsForm>(this));
  settings->SetColumns(FColumns);
  if (settings->ShowModal() != mrOk) return;
  FColumns = settings->Columns();
  LayOut();
}

void TBoardForm::ExitItemClick(TObject*) { Close(); }

void TBoardForm::ReplayItemClick(TObject*) {
  if (FLast >= 0) Play(FLast);
}

void TBoardForm::StopItemClick(TObject*) {
  PlaySoundA(nullptr, nullptr, 0);
  StatusPanel->SetCaption("Stopped.");
}

void TBoardForm::PlayItemClick(TObject*) {
  if (auto* button = dynamic_cast<TButton*>(SoundPopup->PopupComponent())) Play(button->Tag());
}

void TBoardForm::FavouriteItemClick(TObject*) {
  if (auto* button = dynamic_cast<TButton*>(SoundPopup->PopupComponent())) AddFavourite(button->Tag());
}

// Board buttons may be dropped on the favourites.
void TBoardForm::FavouritesDragOver(TObject*, TObject* source, int, int, TDragState, bool& accept) {
  accept = std::find(FButtons.begin(), FButtons.end(), source) != FButtons.end();
}

void TBoardForm::FavouritesDragDrop(TObject*, TObject* source, int, int) {
  AddFavourite(static_cast<TComponent*>(source)->Tag());
}

void TBoardForm::AddFavourite(int sound) {
  if (std::find(FFavourites.begin(), FFavourites.end(), sound) == FFavourites.end()) {
    TButton* button = AddSoundButton(Favourites, sound);
    button->SetBounds(Gap + static_cast<int>(FFavourites.size()) * (ButtonWidth + Gap / 2), 5, ButtonWidth,
                      ButtonHeight);
    FFavourites.push_back(sound);
  }
  StatusPanel->SetCaption(FSounds[sound].Name + " is a favourite.");
}
