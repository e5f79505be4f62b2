object frmProgress: TfrmProgress
  Left = 0
  Top = 0
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Burn DVD Step 1 - Converting files ...'
  ClientHeight = 257
  ClientWidth = 534
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  Position = poMainFormCenter
  OnCloseQuery = FormCloseQuery
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object lblSingleRemainingTime: TLabel
    Left = 16
    Top = 16
    Width = 83
    Height = 13
    Caption = 'Remaining time:'
  end
  object lblSingleRemainingTimeText: TLabel
    Left = 120
    Top = 16
    Width = 42
    Height = 13
    Caption = '0:00:00'
  end
  object lblStatus: TLabel
    Left = 368
    Top = 16
    Width = 150
    Height = 13
    Alignment = taRightJustify
    AutoSize = False
    Caption = 'Status = 0%'
  end
  object prgStatus: TGpProgressBar
    Left = 16
    Top = 36
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
  end
  object lblRemainingTime: TLabel
    Left = 16
    Top = 72
    Width = 83
    Height = 13
    Caption = 'Remaining time:'
  end
  object lblRemainingTimeText: TLabel
    Left = 120
    Top = 72
    Width = 42
    Height = 13
    Caption = '0:00:00'
  end
  object lblBatch: TLabel
    Left = 368
    Top = 72
    Width = 150
    Height = 13
    Alignment = taRightJustify
    AutoSize = False
    Caption = 'Batch = 0%'
  end
  object prgBatch: TGpProgressBar
    Left = 16
    Top = 92
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
  end
  object lblElapsedTime: TLabel
    Left = 16
    Top = 128
    Width = 67
    Height = 13
    Caption = 'Elapsed time:'
  end
  object lblElapsedTimeText: TLabel
    Left = 120
    Top = 128
    Width = 42
    Height = 13
    Caption = '0:00:00'
  end
  object lblEstimatedTime: TLabel
    Left = 16
    Top = 150
    Width = 79
    Height = 13
    Caption = 'Estimated time:'
  end
  object lblEstimatedTimeText: TLabel
    Left = 120
    Top = 150
    Width = 42
    Height = 13
    Caption = '0:00:00'
  end
  object lblWorking: TLabel
    Left = 16
    Top = 182
    Width = 502
    Height = 13
    AutoSize = False
    Caption = 'Please wait...'
    ShowAccelChar = False
  end
  object btnCancel: TButton
    Left = 222
    Top = 216
    Width = 90
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    Default = True
    ModalResult = 2
    TabOrder = 0
    OnClick = btnCancelClick
  end
end
