object frmProgressOther: TfrmProgressOther
  Left = 0
  Top = 0
  BorderIcons = []
  BorderStyle = bsDialog
  Caption = 'Burn DVD'
  ClientHeight = 139
  ClientWidth = 534
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  Position = poMainFormCenter
  OnCreate = FormCreate
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 13
  object lblInfo: TLabel
    Left = 16
    Top = 16
    Width = 440
    Height = 13
    AutoSize = False
    Caption = 'Please wait...'
  end
  object lblPercent: TLabel
    Left = 468
    Top = 16
    Width = 50
    Height = 13
    Alignment = taRightJustify
    AutoSize = False
    Caption = '0%'
  end
  object prgStatus: TGpProgressBar
    Left = 16
    Top = 38
    Width = 502
    Height = 18
    BarStyle = bsGradient
    BarColor = clWhite
    BarColorStop = $D87E23
    BackColor = clWhite
    BackColorStop = clWhite
    BorderColor = $3E4444
    BorderOuter = fsGroove
    BorderWidth = 0
    InteriorOffset = 0
    ShowPercent = False
    ThemeAware = False
    Font.Color = clWhite
    Font.Height = -11
    Font.Name = 'Tahoma'
    OnChange = prgStatusChange
  end
  object lblTime: TLabel
    Left = 16
    Top = 66
    Width = 300
    Height = 13
    AutoSize = False
  end
  object btnCancel: TButton
    Left = 222
    Top = 98
    Width = 90
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    Default = True
    Enabled = False
    TabOrder = 0
    OnClick = btnCancelClick
  end
  object Timer: TTimer
    Enabled = False
    Interval = 80
    OnTimer = TimerTimer
  end
  object tmTime: TTimer
    Enabled = False
    OnTimer = tmTimeTimer
  end
end
