# The board: a status line at the top, the sounds in a scrolling area, the
# favourites at the bottom; a main menu and a pop-up menu for the sounds.
BoardForm: TBoardForm
  Left = 120
  Top = 90
  Width = 420
  Height = 300
  Caption = "Sound Board"
  Menu = MainMenu
  ShowHint = True
  PixelsPerInch = 96
  TextHeight = 13
  OnCreate = FormCreate

  MainMenu: TMainMenu

    BoardMenu: TMenuItem
      Caption = "&Board"

      SettingsItem: TMenuItem
        Caption = "&Settings..."
        ShortCutText = "Ctrl+E"
        OnClick = SettingsItemClick

      Separator: TMenuItem
        Caption = "-"

      ExitItem: TMenuItem
        Caption = "E&xit"
        ShortCutText = "Ctrl+Q"
        OnClick = ExitItemClick

    SoundMenu: TMenuItem
      Caption = "&Sound"

      ReplayItem: TMenuItem
        Caption = "&Replay"
        ShortCutText = "Ctrl+R"
        OnClick = ReplayItemClick

      StopItem: TMenuItem
        Caption = "S&top"
        ShortCutText = "Ctrl+T"
        OnClick = StopItemClick

  SoundPopup: TPopupMenu

    PlayItem: TMenuItem
      Caption = "&Play"
      OnClick = PlayItemClick

    FavouriteItem: TMenuItem
      Caption = "Add to &favourites"
      OnClick = FavouriteItemClick

  StatusPanel: TPanel
    Align = alTop
    Height = 29
    Alignment = taLeftJustify
    BevelOuter = bvLowered
    Caption = "Press a sound to play it; drag it down to keep it at hand."
    TabOrder = 0

  Board: TScrollBox
    Align = alClient
    TabOrder = 1

  Favourites: TPanel
    Align = alBottom
    Height = 41
    Alignment = taRightJustify
    Caption = "Favourites: drop sounds here. "
    TabOrder = 2
    OnDragDrop = FavouritesDragDrop
    OnDragOver = FavouritesDragOver
