# A form with a button, a panel and a label in it, bound to the class's
# published fields and methods; it asks to be shown once created.
FieldsForm: TFieldsForm
  Left = 10
  Top = 20
  Width = 300
  Height = 200
  Caption = "Fields"
  Font.Height = -11
  Visible = True
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13

  OkBtn: TButton
    Left = 8
    Top = 8
    Width = 75
    Height = 25
    Caption = "&Ok"
    TabOrder = 1
    OnClick = OkBtnClick

  Panel: TPanel
    Left = 100
    Top = 8
    Width = 150
    Height = 100
    TabOrder = 0

    Note: TLabel
      Left = 10
      Top = 20
      Width = 100
      Height = 13
      AutoSize = False
      Caption = "A note"
