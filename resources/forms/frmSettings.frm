object frmSettings: TfrmSettings
  Left = 0
  Top = 0
  BorderStyle = bsDialog
  Caption = 'Settings'
  ClientHeight = 324
  ClientWidth = 438
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  Position = poMainFormCenter
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object grpVideoSettings: TGroupBox
    Left = 8
    Top = 8
    Width = 422
    Height = 150
    Caption = 'Default Video Settings'
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -11
    Font.Name = 'Tahoma'
    Font.Style = [fsBold]
    ParentFont = False
    TabOrder = 0
    object lblVideoFormat: TLabel
      Left = 16
      Top = 28
      Width = 70
      Height = 13
      Caption = 'Video Format:'
      ParentFont = False
      Font.Style = []
    end
    object lblQuality: TLabel
      Left = 16
      Top = 76
      Width = 40
      Height = 13
      Caption = 'Quality:'
      ParentFont = False
      Font.Style = []
    end
    object lblLowQuality: TLabel
      Left = 120
      Top = 58
      Width = 20
      Height = 13
      Caption = 'Low'
      ParentFont = False
      Font.Style = []
    end
    object lblMediumQuality: TLabel
      Left = 236
      Top = 58
      Width = 36
      Height = 13
      Caption = 'Medium'
      ParentFont = False
      Font.Style = []
    end
    object lblHighQuliaty: TLabel
      Left = 376
      Top = 58
      Width = 22
      Height = 13
      Caption = 'High'
      ParentFont = False
      Font.Style = []
    end
    object lblVideoAspect: TLabel
      Left = 16
      Top = 118
      Width = 68
      Height = 13
      Caption = 'Video Aspect:'
      ParentFont = False
      Font.Style = []
    end
    object cmbVideoFormat: TComboBox
      Left = 120
      Top = 24
      Width = 200
      Height = 21
      Style = csDropDownList
      ParentFont = False
      Font.Style = []
      TabOrder = 0
    end
    object TrackBarVideoQuality: TscTrackBar
      Left = 112
      Top = 72
      Width = 257
      Height = 21
      UIStyle = WinXP
      Max = 9600
      Min = 64
      Position = 64
      PageSize = 2
      LineSize = 1
      Frequency = 1
      ShowTick = False
      Transparent = True
      TabOrder = 1
    end
    object cmbVideoAspect: TComboBox
      Left = 120
      Top = 114
      Width = 200
      Height = 21
      Style = csDropDownList
      ParentFont = False
      Font.Style = []
      TabOrder = 2
      Items.Strings = (
        '4:3'
        '16:9')
    end
  end
  object grpOutputSettings: TGroupBox
    Left = 8
    Top = 164
    Width = 422
    Height = 60
    Caption = 'Output Settings'
    TabOrder = 1
    object lblTempDir: TLabel
      Left = 16
      Top = 28
      Width = 90
      Height = 13
      Caption = 'Temporary folder:'
    end
    object txtTempDir: TEdit
      Left = 120
      Top = 24
      Width = 256
      Height = 21
      ReadOnly = True
      TabOrder = 0
    end
    object btnBrowse: TButton
      Left = 382
      Top = 23
      Width = 28
      Height = 23
      Caption = '...'
      TabOrder = 1
      OnClick = btnBrowseClick
    end
  end
  object grpDirectShow: TGroupBox
    Left = 8
    Top = 230
    Width = 422
    Height = 50
    Caption = 'DirectShow'
    TabOrder = 2
    object chkDirectShow: TCheckBox
      Left = 16
      Top = 22
      Width = 390
      Height = 17
      Caption = 'Use DirectShow to decode the source files'
      TabOrder = 0
    end
  end
  object btnOK: TButton
    Left = 270
    Top = 290
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 3
  end
  object btnCancel: TButton
    Left = 355
    Top = 290
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 4
  end
end
