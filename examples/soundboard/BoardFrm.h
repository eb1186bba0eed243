// The board's main form. Its components come from BoardForm.frm (the
// generated TBoardFormBase); this class adds the sounds and what the user
// does with them.
#pragma once

#include <vector>

#include "BoardForm.frm.h"

// A sound of the board: a WAVE file, or a resource of the program.
struct TSound {
  String Name;
  String File;      // empty for a resource
  String Resource;  // the resource name, for the board's own sounds
};

// The folder of WAVE files named on the command line; empty: the board's own.
extern String SoundFolder;

class TBoardForm : public TBoardFormBase {
  SONDREL_CLASS(TBoardForm)

 public:
  using TBoardFormBase::TBoardFormBase;

  // The handlers the definition names.
  void FormCreate(TObject* sender);
  void SettingsItemClick(TObject* sender);
  void ExitItemClick(TObject* sender);
  void ReplayItemClick(TObject* sender);
  void StopItemClick(TObject* sender);
  void PlayItemClick(TObject* sender);
  void FavouriteItemClick(TObject* sender);
  void FavouritesDragOver(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept);
  void FavouritesDragDrop(TObject* sender, TObject* source, int x, int y);

 private:
  // The handlers of the buttons made here.
  void SoundClick(TObject* sender);
  void SoundMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void ShowHintText(TObject* sender);

  void FindSounds();
  TButton* AddSoundButton(TWinControl* parent, int sound);
  // Places the board's buttons in rows of `FColumns`.
  void LayOut();
  void Play(int sound);
  void AddFavourite(int sound);

  std::vector<TSound> FSounds;
  std::vector<TButton*> FButtons;  // one a sound, on the board
  std::vector<int> FFavourites;
  int FColumns = 3;
  int FLast = -1;  // the sound played last
};

extern TBoardForm* BoardForm;
