#include "SettingsFrm.h"

#include <algorithm>
#include <string>

void TSettingsForm::SetColumns(int columns) {
  FColumns = std::clamp(columns, 1, 6);
  ColumnsLabel->SetCaption("Columns: " + std::to_string(FColumns));
}

void TSettingsForm::FewerBtnClick(TObject*) { SetColumns(FColumns - 1); }

void TSettingsForm::MoreBtnClick(TObject*) { SetColumns(FColumns + 1); }
