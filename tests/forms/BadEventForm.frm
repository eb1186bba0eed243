# A definition naming an event method that its class does not publish.
BadEventForm: TBadEventForm
  Caption = "Bad"

  ExitBtn: TButton
    Caption = "Exit"
    OnClick = NoSuchMethod
