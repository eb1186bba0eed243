// The board's settings dialog (SettingsForm.frm): how many columns the board
// lays its sounds out in.
#pragma once

#include "SettingsForm.frm.h"

class TSettingsForm : public TSettingsFormBase {
  SONDREL_CLASS(TSettingsForm)

 public:
  using TSettingsFormBase::TSettingsFormBase;

  int Columns() const { return FColumns; }
  void SetColumns(int columns);

  void FewerBtnClick(TObject* sender);
  void MoreBtnClick(TObject* sender);

 private:
  int FColumns = 3;
};
