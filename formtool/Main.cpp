// sondrel-form: the form-definition tool with the library's own component
// classes.
#include "ExtCtrls.h"
#include "FormTool.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"

int main(int argc, char** argv) {
  return FormToolMain(
      argc, argv,
      {TForm::StaticClass(), TButton::StaticClass(), TLabel::StaticClass(), TPanel::StaticClass(),
       TScrollBox::StaticClass(), TMainMenu::StaticClass(), TPopupMenu::StaticClass(), TMenuItem::StaticClass()});
}
