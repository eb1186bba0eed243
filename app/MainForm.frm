MainForm: TMainForm
  Left = 193
  Top = 109
  Width = 409
  Height = 197
  Caption = "Sondrel"
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = "MS Sans Serif"
  Font.Style = []
  PixelsPerInch = 96
  TextHeight = 13

  ExitBtn: TButton
    Left = 8
    Top = 136
    Width = 75
    Height = 25
    Caption = "Sai&r"
    TabOrder = 0
    OnClick = ExitBtnClick

  Play1Btn: TButton
    Left = 8
    Top = 8
    Width = 75
    Height = 25
    Caption = "Tocar Som &1"
    TabOrder = 1
    OnClick = Play1BtnClick

  Play2Btn: TButton
    Left = 8
    Top = 40
    Width = 75
    Height = 25
    Caption = "Tocar Som &2"
    TabOrder = 2
    OnClick = Play2BtnClick

  Panel1: TPanel
    Left = 88
    Top = 8
    Width = 305
    Height = 153
    BevelOuter = bvLowered
    TabOrder = 3

    Label1: TLabel
      Left = 16
      Top = 16
      Width = 281
      Height = 121
      Alignment = taCenter
      AutoSize = False
      Caption = "Programa exemplo de como tocar sons \xE0 partir de recursos.\n\nfeito por\n Dorvane"
      Font.Charset = ANSI_CHARSET
      Font.Color = clBlack
      Font.Height = -19
      Font.Name = "MS Sans Serif"
      Font.Style = []
      ParentFont = False
      WordWrap = True
