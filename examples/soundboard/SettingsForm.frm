# The board's settings, shown modally: OK (Enter) keeps them, Cancel (Escape)
# or the close box forgets them.
SettingsForm: TSettingsForm
  Left = 200
  Top = 150
  BorderStyle = bsDialog
  Caption = "Board settings"
  ClientWidth = 268
  ClientHeight = 104
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13

  ColumnsLabel: TLabel
    Left = 16
    Top = 22
    Width = 120
    Height = 13
    Caption = "Columns: 3"

  OkBtn: TButton
    Left = 100
    Top = 64
    Width = 75
    Height = 25
    Caption = "OK"
    Default = True
    ModalResult = 1
    TabOrder = 0

  CancelBtn: TButton
    Left = 180
    Top = 64
    Width = 75
    Height = 25
    Caption = "Cancel"
    Cancel = True
    ModalResult = 2
    TabOrder = 1

  FewerBtn: TButton
    Left = 140
    Top = 16
    Width = 55
    Height = 25
    Caption = "&Fewer"
    TabOrder = 2
    OnClick = FewerBtnClick

  MoreBtn: TButton
    Left = 200
    Top = 16
    Width = 55
    Height = 25
    Caption = "&More"
    TabOrder = 3
    OnClick = MoreBtnClick
