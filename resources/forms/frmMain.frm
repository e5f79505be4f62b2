object frmMain: TfrmMain
  Left = 0
  Top = 0
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsSingle
  Caption = 'Tessaro'
  ClientHeight = 520
  ClientWidth = 742
  Color = clWhite
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  Menu = mnuMain
  Position = poDesktopCenter
  OnActivate = FormActivate
  OnClose = FormClose
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  OnMouseDown = FormMouseDown
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 13
  object PanelTop: TPanel
    Left = 0
    Top = 0
    Width = 742
    Height = 41
    Align = alTop
    BevelOuter = bvNone
    Color = clWhite
    TabOrder = 0
    OnMouseDown = PanelTopMouseDown
    object btnAdd: TQemButton
      Left = 8
      Top = 6
      Width = 110
      Height = 27
      Style = QemButtonStyle_WinNormal
      TabOrder = 0
      Action = actAdd
    end
    object btnRemove: TQemButton
      Left = 124
      Top = 6
      Width = 110
      Height = 27
      Style = QemButtonStyle_WinNormal
      TabOrder = 1
      Action = actRemove
    end
    object btnUp: TQemButton
      Left = 239
      Top = 6
      Width = 130
      Height = 27
      Style = QemButtonStyle_WinNormal
      TabOrder = 2
      Action = actUp
    end
    object btnDown: TQemButton
      Left = 372
      Top = 6
      Width = 130
      Height = 27
      Style = QemButtonStyle_WinNormal
      TabOrder = 3
      Action = actDown
    end
    object btnSettings: TQemButton
      Left = 509
      Top = 6
      Width = 120
      Height = 27
      Style = QemButtonStyle_WinNormal
      TabOrder = 4
      Action = actSettings
    end
    object btnHelp: TQemButton
      Left = 635
      Top = 6
      Width = 96
      Height = 27
      Anchors = [akTop, akRight]
      Style = QemButtonStyle_WinNormal
      TabOrder = 5
      Action = actHelp
    end
  end
  object lsvFiles: TListView
    Left = 2
    Top = 41
    Width = 436
    Height = 236
    Columns = <
      item
        Caption = 'File Name'
        Width = 300
      end
      item
        Caption = 'Format'
        Width = 100
      end>
    DragMode = dmAutomatic
    MultiSelect = True
    ReadOnly = True
    RowSelect = True
    PopupMenu = mnuListView
    SmallImages = ImgListIcon
    TabOrder = 1
    ViewStyle = vsReport
    OnDblClick = lsvFilesDblClick
    OnDragDrop = lsvFilesDragDrop
    OnDragOver = lsvFilesDragOver
  end
  object pnlLeft: TPanel
    Left = 448
    Top = 41
    Width = 297
    Height = 284
    BevelOuter = bvNone
    Color = clWhite
    TabOrder = 2
    OnMouseDown = pnlLeftMouseDown
    object lblDVDMenuTemp: TQemLabel
      Left = 8
      Top = 6
      Width = 110
      Height = 13
      Caption = 'DVD Menu Template'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWindowText
      Font.Height = -11
      Font.Name = 'Tahoma'
      Font.Style = [fsBold]
      ParentFont = False
      Transparent = True
    end
    object imgViewer: TIEImageView
      Left = 8
      Top = 24
      Width = 281
      Height = 212
      Background = clWhite
      AutoFit = True
      AutoStretch = True
      EnableAlphaChannel = True
      BackgroundStyle = iebsChessboard
      BorderStyle = bsNone
      OnDblClick = actChoosetemplateExecute
      OnMouseDown = imgViewerMouseDown
    end
    object pnlChooseButton: TPanel
      Left = 0
      Top = 240
      Width = 297
      Height = 44
      BevelOuter = bvNone
      Color = clWhite
      TabOrder = 0
      OnMouseDown = pnlChooseButtonMouseDown
      object btnChooseAnotherTemplate: TQemButton
        Left = 38
        Top = 5
        Width = 220
        Height = 34
        Style = QemButtonStyle_WinNormal
        TabOrder = 0
        Action = actChoosetemplate
      end
    end
  end
  object pnlSizebar: TPanel
    Left = 2
    Top = 281
    Width = 438
    Height = 42
    BevelOuter = bvNone
    Color = clWhite
    TabOrder = 3
    OnMouseDown = pnlSizebarMouseDown
    object imgSizeBar: TImage
      Left = 0
      Top = 0
      Width = 438
      Height = 36
    end
    object prgSize: TGpProgressBar
      Left = 10
      Top = 9
      Width = 380
      Height = 11
      Percent = 100
      BarStyle = bsGradient
      BarColor = clWhite
      BarColorStop = 14188067
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
  end
  object pnlBurner: TPanel
    Left = 1
    Top = 326
    Width = 440
    Height = 174
    BevelOuter = bvNone
    Color = clWhite
    TabOrder = 4
    OnMouseDown = pnlBurnerMouseDown
    object lblWriters: TLabel
      Left = 8
      Top = 12
      Width = 42
      Height = 13
      Caption = 'Writers:'
    end
    object lblBurningMode: TLabel
      Left = 8
      Top = 40
      Width = 70
      Height = 13
      Caption = 'Burning Mode:'
    end
    object lblSpeed: TLabel
      Left = 246
      Top = 40
      Width = 34
      Height = 13
      Caption = 'Speed:'
    end
    object lblDiscLabel: TLabel
      Left = 8
      Top = 68
      Width = 52
      Height = 13
      Caption = 'Disc Label:'
    end
    object cmbDevice: TComboBox
      Left = 86
      Top = 8
      Width = 264
      Height = 21
      Style = csDropDownList
      TabOrder = 0
      OnChange = cmbDeviceChange
    end
    object btnRefresh: TButton
      Left = 356
      Top = 7
      Width = 76
      Height = 23
      Caption = 'Refresh'
      TabOrder = 1
      OnClick = btnRefreshClick
    end
    object cmbModes: TComboBox
      Left = 86
      Top = 36
      Width = 150
      Height = 21
      Style = csDropDownList
      TabOrder = 2
      OnChange = cmbDeviceChange
    end
    object cmbBurnSpeed: TComboBox
      Left = 288
      Top = 36
      Width = 144
      Height = 21
      Style = csDropDownList
      TabOrder = 3
    end
    object txtDiscLabel: TEdit
      Left = 86
      Top = 64
      Width = 346
      Height = 21
      TabOrder = 4
    end
    object chkBufferProtect: TscCheckBox
      Left = 8
      Top = 94
      Width = 140
      Height = 19
      UIStyle = WinXP
      AutoSize = True
      Transparent = True
      Caption = 'Buffer Protect'
      Checked = True
      TabOrder = 5
    end
    object ckbCloseDisc: TscCheckBox
      Left = 160
      Top = 94
      Width = 150
      Height = 19
      UIStyle = WinXP
      AutoSize = True
      Transparent = True
      Caption = 'End Disc'
      Checked = True
      TabOrder = 6
    end
    object chkEjectAfter: TscCheckBox
      Left = 8
      Top = 118
      Width = 140
      Height = 19
      UIStyle = WinXP
      AutoSize = True
      Transparent = True
      Caption = 'Eject After Burning'
      Checked = True
      TabOrder = 7
    end
    object chkTestMode: TscCheckBox
      Left = 160
      Top = 118
      Width = 150
      Height = 19
      UIStyle = WinXP
      AutoSize = True
      Transparent = True
      Caption = 'Test Mode'
      Checked = False
      TabOrder = 8
    end
    object ckbCDROMXA: TscCheckBox
      Left = 8
      Top = 142
      Width = 140
      Height = 19
      UIStyle = WinXP
      AutoSize = True
      Transparent = True
      Caption = 'CDROM XA'
      Checked = True
      TabOrder = 9
    end
    object ckbSOPC: TscCheckBox
      Left = 160
      Top = 142
      Width = 220
      Height = 19
      UIStyle = WinXP
      AutoSize = True
      Transparent = True
      Caption = 'Optimum Power Calibration'
      Checked = True
      TabOrder = 10
    end
  end
  object btnBurn: TQemButton
    Left = 544
    Top = 364
    Width = 98
    Height = 69
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -16
    Font.Name = 'Tahoma'
    Font.Style = [fsBold]
    ParentFont = False
    Style = QemButtonStyle_WinNormal
    TabOrder = 5
    Action = actBurn
  end
  object chkCreateNoMenuDVD: TscCheckBox
    Left = 474
    Top = 326
    Width = 161
    Height = 19
    UIStyle = WinXP
    AutoSize = True
    Transparent = True
    Caption = 'Create DVD without menu'
    Checked = True
    ShowHint = True
    TabOrder = 6
    OnClick = chkCreateNoMenuDVDClick
  end
  object lblShowLog: TQemLabel
    Left = 544
    Top = 440
    Width = 48
    Height = 13
    Cursor = crHandPoint
    Caption = 'Show Log'
    Visible = False
    OnClick = lblShowLogClick
  end
  object StatusBar: TStatusBar
    Left = 0
    Top = 498
    Width = 742
    Height = 22
    Panels = <
      item
        Width = 440
      end
      item
        Width = 50
      end>
  end
  object aclMain: TActionList
    OnUpdate = aclMainUpdate
    object actAdd: TAction
      Caption = 'Add'
      ShortCut = 16463
      OnExecute = actAddExecute
    end
    object actRemove: TAction
      Caption = 'Delete'
      ShortCut = 46
      OnExecute = actRemoveExecute
    end
    object actClear: TAction
      Caption = 'Clear'
      ShortCut = 8238
      OnExecute = actClearExecute
    end
    object actUp: TAction
      Caption = 'Up'
      ShortCut = 16469
      OnExecute = actUpExecute
    end
    object actDown: TAction
      Caption = 'Down'
      ShortCut = 16452
      OnExecute = actDownExecute
    end
    object actBurn: TAction
      Caption = 'Burn'
      ShortCut = 120
      OnExecute = actBurnExecute
    end
    object actExit: TAction
      Caption = 'Exit'
      OnExecute = actExitExecute
    end
    object actHelp: TAction
      Caption = 'Help Contents'
      ShortCut = 112
      OnExecute = actHelpExecute
    end
    object actSettings: TAction
      Caption = 'Settings'
      ShortCut = 113
      OnExecute = actSettingsExecute
    end
    object actChoosetemplate: TAction
      Caption = 'Choose another template'
      OnExecute = actChoosetemplateExecute
    end
    object actAbout: TAction
      Caption = 'About...'
      OnExecute = actAboutExecute
    end
    object actQuickStart: TAction
      Caption = 'Quick Start...'
      OnExecute = actQuickStartExecute
    end
    object actOnlineResources: TAction
      Caption = 'Online Resources...'
      OnExecute = actOnlineResourcesExecute
    end
    object actContactTechnicalSupport: TAction
      Caption = 'Contact Technical Support...'
      OnExecute = actContactTechnicalSupportExecute
    end
    object actPlaySource: TAction
      Caption = 'Play Source'
      OnExecute = actPlaySourceExecute
    end
    object ActErase: TAction
      Caption = 'Erase'
      OnExecute = ActEraseExecute
    end
    object actBurnVideoTS: TAction
      Caption = 'Burn VIDEO_TS'
      OnExecute = actBurnVideoTSExecute
    end
  end
  object mnuMain: TMainMenu
    object mniFile: TMenuItem
      Caption = 'File'
      object mniFileAdd: TMenuItem
        Action = actAdd
      end
      object mniFileDelete: TMenuItem
        Action = actRemove
      end
      object mniFileLine1: TMenuItem
        Caption = '-'
      end
      object mniFileUp: TMenuItem
        Action = actUp
      end
      object mniFileDown: TMenuItem
        Action = actDown
      end
      object mniFileLine2: TMenuItem
        Caption = '-'
      end
      object mniFileBurn: TMenuItem
        Action = actBurn
      end
      object mniFileLine3: TMenuItem
        Caption = '-'
      end
      object mniFileExit: TMenuItem
        Action = actExit
      end
    end
    object mniSettings: TMenuItem
      Caption = 'Tools'
      object mniSettingsSettings: TMenuItem
        Action = actSettings
        Caption = 'Settings...'
      end
      object mniSettingsErase: TMenuItem
        Action = ActErase
      end
      object mniSettingsBurnVideoTS: TMenuItem
        Action = actBurnVideoTS
      end
      object mniSettingsLine: TMenuItem
        Caption = '-'
        Visible = False
      end
      object mniSettingsLanguage: TMenuItem
        Caption = 'Language'
      end
    end
    object mniHelp: TMenuItem
      Caption = 'Help'
      object mniHelpContents: TMenuItem
        Action = actHelp
      end
      object mniHelpQuickStart: TMenuItem
        Action = actQuickStart
      end
      object mniHelpLine1: TMenuItem
        Caption = '-'
      end
      object mniHelpOnlineResources: TMenuItem
        Action = actOnlineResources
      end
      object mniHelpTechnicalSupport: TMenuItem
        Action = actContactTechnicalSupport
      end
      object mniHelpLine2: TMenuItem
        Caption = '-'
      end
      object mniHelpAbout: TMenuItem
        Action = actAbout
      end
    end
  end
  object mnuListView: TPopupMenu
    object mniAdd: TMenuItem
      Action = actAdd
    end
    object mniDelete: TMenuItem
      Action = actRemove
    end
    object mniListLine1: TMenuItem
      Caption = '-'
    end
    object mniUp: TMenuItem
      Action = actUp
    end
    object mniDown: TMenuItem
      Action = actDown
    end
    object mniListLine2: TMenuItem
      Caption = '-'
    end
    object mniClear: TMenuItem
      Action = actClear
    end
  end
  object dlgOpen: TOpenDialog
    Options = [ofHideReadOnly, ofAllowMultiSelect, ofEnableSizing]
  end
  object OpenDialogDVD: TOpenDialog
  end
  object FpBrowseForFolder: TFpBrowseForFolder
  end
  object ImgListIcon: TImageList
    Height = 18
    Width = 20
    Bitmap = {
      424DD60500000000000036000000280000001400000012000000010020000000
      0000A0050000C40E0000C40E0000000000000000000000000000000000000000
      0000000000000000000000000000000000000000000000000000000000000000
      0000000000000000000000000000000000000000000000000000000000000000
      000000000000000000002E2621002D2620FF2D2620FF2D2620FF2D2620FF2D26
      20FF2D2620FF2D2620FF2D2620FF2D2620FF2D2620FF2D2620FF2D2620FF2D26
      20FF2D2620FF2D2620FF2D2620FF2E2621000000000000000000302923FF3029
      23FF0000000000000000302923FF302923FF0000000000000000302923FF3029
      23FF0000000000000000302923FF302923FF0000000000000000302923FF3029
      23FF0000000000000000342C26FF342C26FF0000000000000000342C26FF342C
      26FF0000000000000000342C26FF342C26FF0000000000000000342C26FF342C
      26FF0000000000000000342C26FF342C26FF0000000000000000372F29FF372F
      29FF372F29FF372F29FF372F29FF372F29FF372F29FF372F29FF372F29FF372F
      29FF372F29FF372F29FF372F29FF372F29FF372F29FF372F29FF372F29FF372F
      29FF00000000000000003B322BFF3B322BFFD47530FFD47530FFD47530FFD475
      30FFD47530FFD47530FFD47530FFD47530FFD47530FFD47530FFD47530FFD475
      30FFD47530FFD47530FF3B322BFF3B322BFF00000000000000003E352EFF3E35
      2EFFDA823DFFDA823DFFDA823DFFDA823DFFDA823DFFF4DBC7FFDF9358FFDA82
      3DFFDA823DFFDA823DFFDA823DFFDA823DFFDA823DFFDA823DFF3E352EFF3E35
      2EFF0000000000000000423831FF423831FFDF8E4AFFDF8E4AFFDF8E4AFFDF8E
      4AFFDF8E4AFFFFFFFFFFFEFBF9FFEFC7A6FFE0924FFFDF8E4AFFDF8E4AFFDF8E
      4AFFDF8E4AFFDF8E4AFF423831FF423831FF0000000000000000453B34FF453B
      34FFE59B56FFE59B56FFE59B56FFE59B56FFE59B56FFFFFFFFFFFFFFFFFFFFFF
      FFFFFCF2E9FFEDB98AFFE59B56FFE59B56FFE59B56FFE59B56FF453B34FF453B
      34FF0000000000000000493E36FF493E36FFEBA763FFEBA763FFEBA763FFEBA7
      63FFEBA763FFFFFFFFFFFFFFFFFFFFFFFFFFFDF5ECFFF2C495FFEBA763FFEBA7
      63FFEBA763FFEBA763FF493E36FF493E36FF00000000000000004C4139FF4C41
      39FFF1B46FFFF1B46FFFF1B46FFFF1B46FFFF1B46FFFFFFFFFFFFFFDFBFFF9DC
      BBFFF1B674FFF1B46FFFF1B46FFFF1B46FFFF1B46FFFF1B46FFF4C4139FF4C41
      39FF000000000000000050443CFF50443CFFF6C07CFFF6C07CFFF6C07CFFF6C0
      7CFFF6C07CFFFDEEDBFFF8CA8FFFF6C07CFFF6C07CFFF6C07CFFF6C07CFFF6C0
      7CFFF6C07CFFF6C07CFF50443CFF50443CFF000000000000000053473FFF5347
      3FFFFCCD89FFFCCD89FFFCCD89FFFCCD89FFFCCD89FFFCCD89FFFCCD89FFFCCD
      89FFFCCD89FFFCCD89FFFCCD89FFFCCD89FFFCCD89FFFCCD89FF53473FFF5347
      3FFF0000000000000000574A41FF574A41FF574A41FF574A41FF574A41FF574A
      41FF574A41FF574A41FF574A41FF574A41FF574A41FF574A41FF574A41FF574A
      41FF574A41FF574A41FF574A41FF574A41FF00000000000000005A4D44FF5A4D
      44FF00000000000000005A4D44FF5A4D44FF00000000000000005A4D44FF5A4D
      44FF00000000000000005A4D44FF5A4D44FF00000000000000005A4D44FF5A4D
      44FF00000000000000005E5047FF5E5047FF00000000000000005E5047FF5E50
      47FF00000000000000005E5047FF5E5047FF00000000000000005E5047FF5E50
      47FF00000000000000005E5047FF5E5047FF0000000000000000605349006153
      4AFF61534AFF61534AFF61534AFF61534AFF61534AFF61534AFF61534AFF6153
      4AFF61534AFF61534AFF61534AFF61534AFF61534AFF61534AFF61534AFF6053
      4900000000000000000000000000000000000000000000000000000000000000
      0000000000000000000000000000000000000000000000000000000000000000
      00000000000000000000000000000000000000000000}
  end
  object SkinData: TSkinData
    Active = True
    SkinFormtype = sfMainform
    Options = [xoTransparent]
    DisableTag = 99
    SkinControls = [xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcCombo, xcCheckBox, xcRadioButton, xcProgress, xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcGroupBox, xcStatusBar, xcTab, xcTrackBar, xcSystemMenu]
  end
end
