// Helpers of the sound player's tests: the sound seam replaced by a recorder
// and a fixture holding a shown main form.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "BoxWatcher.h"
#include "MainFrm.h"

namespace player_test {

struct TPlayed {
  struct TCall {
    String Sound;  // "#100" for an integer identifier
    HMODULE Module;
    DWORD Flags;
  };
  std::vector<TCall> Calls;
  bool Succeed = true;
};
extern TPlayed Played;

// Handles every message waiting, as the application's loop would.
void ProcessAll();

// A main form made by the application, shown and in front; sounds are
// recorded instead of played.
class TPlayerForm : public testing::Test {
 protected:
  TPlayerForm() : Form(Create()) {}
  ~TPlayerForm() override {
    delete Form;
    ProcessAll();
  }
  static TMainForm* Create();
  TMainForm* Form;
};

}  // namespace player_test
