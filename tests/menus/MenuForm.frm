# A form with a main menu (shortcuts Ctrl+S and Shift+Ctrl+Alt+F1) and a
# pop-up menu; the form's Menu names the main menu.
MenuForm: TMenuForm
  Caption = "Menus"
  Menu = MainMenu1
  PopupMenu = PopupMenu1

  MainMenu1: TMainMenu

    FileMenu: TMenuItem
      Caption = "&File"

      SaveItem: TMenuItem
        Caption = "&Save"
        ShortCut = 16467
        OnClick = ItemClick

      HelpItem: TMenuItem
        Caption = "Help"
        ShortCut = 57456
        OnClick = ItemClick

  PopupMenu1: TPopupMenu

    CopyItem: TMenuItem
      Caption = "Copy"
      OnClick = ItemClick
