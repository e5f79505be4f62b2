object frmEraseDisc: TfrmEraseDisc
  Left = 0
  Top = 0
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Erase Disc'
  ClientHeight = 290
  ClientWidth = 420
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  Position = poMainFormCenter
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  PixelsPerInch = 96
  TextHeight = 13
  object lblDevice: TLabel
    Left = 16
    Top = 19
    Width = 38
    Height = 13
    Caption = 'Device:'
  end
  object lblErase_Speed: TLabel
    Left = 16
    Top = 51
    Width = 65
    Height = 13
    Caption = 'Erase Speed:'
  end
  object lblDiscSyteSource: TLabel
    Left = 16
    Top = 84
    Width = 52
    Height = 13
    Caption = 'Disc Syte:'
  end
  object lblDiscSyteSource1: TLabel
    Left = 96
    Top = 84
    Width = 12
    Height = 13
    Caption = '...'
  end
  object lblFreeSource: TLabel
    Left = 16
    Top = 104
    Width = 60
    Height = 13
    Caption = 'Free Space:'
  end
  object lblFreeSource1: TLabel
    Left = 96
    Top = 104
    Width = 12
    Height = 13
    Caption = '...'
  end
  object lblOnDiscSource: TLabel
    Left = 16
    Top = 124
    Width = 62
    Height = 13
    Caption = 'Used Space:'
  end
  object lblOnDiscSource1: TLabel
    Left = 96
    Top = 124
    Width = 12
    Height = 13
    Caption = '...'
  end
  object lblDescription: TLabel
    Left = 16
    Top = 176
    Width = 388
    Height = 42
    AutoSize = False
    WordWrap = True
  end
  object lblStatus: TLabel
    Left = 16
    Top = 224
    Width = 340
    Height = 13
    Alignment = taCenter
    AutoSize = False
  end
  object lblPencent: TLabel
    Left = 364
    Top = 224
    Width = 40
    Height = 13
    Alignment = taRightJustify
    AutoSize = False
    Caption = '0%'
  end
  object prgTotal: TGpProgressBar
    Left = 16
    Top = 242
    Width = 388
    Height = 16
    BarStyle = bsGradient
    BarColor = clWhite
    BarColorStop = $D87E23
    BackColor = clSilver
    BackColorStop = clWhite
    BorderColor = $3E4444
    BorderOuter = fsNone
    BorderWidth = 0
    InteriorOffset = 0
    ShowPercent = False
    ThemeAware = False
    Font.Color = clWhite
    Font.Height = -11
    Font.Name = 'Tahoma'
  end
  object cmbDevice: TComboBox
    Left = 96
    Top = 16
    Width = 228
    Height = 21
    Style = csDropDownList
    TabOrder = 0
    OnChange = cmbDeviceChange
  end
  object btnRefresh: TButton
    Left = 332
    Top = 14
    Width = 72
    Height = 25
    Caption = 'Refresh'
    TabOrder = 1
    OnClick = btnRefreshClick
  end
  object cmbEraseSpeed: TComboBox
    Left = 96
    Top = 48
    Width = 228
    Height = 21
    Style = csDropDownList
    TabOrder = 2
  end
  object chkQuickErase: TscCheckBox
    Left = 232
    Top = 84
    Width = 172
    Height = 19
    UIStyle = WinXP
    AutoSize = True
    Transparent = True
    Caption = 'Quick erase'
    Checked = True
    TabOrder = 3
  end
  object chkEjectAfterErase: TscCheckBox
    Left = 232
    Top = 108
    Width = 172
    Height = 19
    UIStyle = WinXP
    AutoSize = True
    Transparent = True
    Caption = 'Eject after erasing'
    Checked = True
    TabOrder = 4
  end
  object btnErase: TButton
    Left = 332
    Top = 264
    Width = 72
    Height = 22
    Caption = 'Erase'
    Default = True
    TabOrder = 5
    OnClick = btnEraseClick
  end
end
