object fIOPreviews: TfIOPreviews
  Left = 0
  Top = 0
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Parameters preview'
  ClientHeight = 425
  ClientWidth = 527
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  OnActivate = FormActivate
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  PixelsPerInch = 96
  TextHeight = 13
  object Panel2: TPanel
    Left = 4
    Top = 0
    Width = 425
    Height = 168
    BevelOuter = bvNone
    object Label1: TLabel
      Left = 5
      Top = 1
      Width = 60
      Height = 13
      Caption = 'Source:'
    end
    object Label2: TLabel
      Left = 227
      Top = 1
      Width = 60
      Height = 13
      Caption = 'Result:'
    end
    object ImageView1: TIEImageView
      Left = 6
      Top = 17
      Width = 191
      Height = 135
      Background = clWhite
      OnViewChange = ImageView1ViewChange
      OnProgress = ImageView1Progress
    end
    object ImageView2: TIEImageView
      Left = 227
      Top = 17
      Width = 191
      Height = 135
      Background = clWhite
      Cursor = crDefault
      OnProgress = ImageView1Progress
    end
    object ProgressBar1: TProgressBar
      Left = 6
      Top = 157
      Width = 412
      Height = 10
    end
  end
  object PageControl1: TPageControl
    Left = 8
    Top = 172
    Width = 417
    Height = 217
    ActivePage = TabSheetJPEG1
    OnChange = PageControl1Change
    OnChanging = PageControl1Changing
    object TabSheetJPEG1: TTabSheet
      Caption = 'JPEG'
      object Label23: TLabel
        Left = 8
        Top = 8
        Width = 60
        Height = 13
        Caption = '&Quality:'
      end
      object Edit22: TEdit
        Left = 70
        Top = 4
        Width = 41
        Height = 21
        Text = '0'
        OnChange = Edit22Change
      end
      object TrackBar13: TTrackBar
        Left = 114
        Top = 2
        Width = 170
        Height = 25
        Max = 100
        Frequency = 5
        OnChange = TrackBar13Change
      end
      object GroupBox5: TGroupBox
        Left = 8
        Top = 36
        Width = 280
        Height = 150
        Caption = ' Advanced '
        object Label26: TLabel
          Left = 8
          Top = 20
          Width = 100
          Height = 13
          Caption = '&DCT method:'
        end
        object ComboBox1: TComboBox
          Left = 120
          Top = 16
          Width = 150
          Height = 21
          Style = csDropDownList
          OnChange = TrackBar13Change
          Items.Strings = (
            'ISLOW'
            'IFAST'
            'FLOAT')
        end
        object Label27: TLabel
          Left = 8
          Top = 48
          Width = 100
          Height = 13
          Caption = '&Smoothing factor:'
        end
        object Edit23: TEdit
          Left = 120
          Top = 44
          Width = 50
          Height = 21
          Text = '0'
          OnChange = Edit22Change
        end
        object UpDown11: TUpDown
          Left = 170
          Top = 44
          Width = 16
          Height = 21
          Associate = Edit23
          Max = 100
        end
        object Label57: TLabel
          Left = 8
          Top = 76
          Width = 100
          Height = 13
          Caption = 'P&hotometric:'
        end
        object ComboBox13: TComboBox
          Left = 120
          Top = 72
          Width = 150
          Height = 21
          Style = csDropDownList
          OnChange = TrackBar13Change
          Items.Strings = (
            'RGB'
            'GrayScale'
            'YCbCr'
            'CMYK'
            'YCbCrK')
        end
        object CheckBox2: TCheckBox
          Left = 8
          Top = 102
          Width = 200
          Height = 17
          Caption = '&Optimal Huffman'
          OnClick = TrackBar13Change
        end
        object CheckBox3: TCheckBox
          Left = 8
          Top = 124
          Width = 200
          Height = 17
          Caption = 'P&rogressive'
          OnClick = TrackBar13Change
        end
      end
      object Label3: TLabel
        Left = 300
        Top = 8
        Width = 100
        Height = 13
        Caption = 'Original size:'
      end
      object Label4: TLabel
        Left = 300
        Top = 24
        Width = 100
        Height = 13
        Caption = '---'
      end
      object Label24: TLabel
        Left = 300
        Top = 48
        Width = 100
        Height = 13
        Caption = 'Compressed size:'
      end
      object Label25: TLabel
        Left = 300
        Top = 64
        Width = 100
        Height = 13
        Caption = '---'
      end
    end
    object TabSheetJPEG2: TTabSheet
      Caption = 'JPEG'
      object Label72: TLabel
        Left = 8
        Top = 8
        Width = 60
        Height = 13
        Caption = '&Quality:'
      end
      object Edit16: TEdit
        Left = 70
        Top = 4
        Width = 41
        Height = 21
        Text = '0'
        OnChange = Edit16Change
      end
      object TrackBar2: TTrackBar
        Left = 114
        Top = 2
        Width = 170
        Height = 25
        Max = 100
        Frequency = 5
        OnChange = TrackBar2Change
      end
      object Label73: TLabel
        Left = 300
        Top = 8
        Width = 100
        Height = 13
        Caption = 'Original size:'
      end
      object Label74: TLabel
        Left = 300
        Top = 24
        Width = 100
        Height = 13
        Caption = '---'
      end
      object Label75: TLabel
        Left = 300
        Top = 48
        Width = 100
        Height = 13
        Caption = 'Compressed size:'
      end
      object Label76: TLabel
        Left = 300
        Top = 64
        Width = 100
        Height = 13
        Caption = '---'
      end
    end
    object TabSheetTIFF1: TTabSheet
      Caption = 'TIFF'
      object Label5: TLabel
        Left = 8
        Top = 8
        Width = 80
        Height = 13
        Caption = '&Compression:'
      end
      object ComboBox2: TComboBox
        Left = 90
        Top = 4
        Width = 110
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox2Click
      end
      object Label6: TLabel
        Left = 8
        Top = 32
        Width = 80
        Height = 13
        Caption = '&Image index:'
      end
      object Edit1: TEdit
        Left = 90
        Top = 28
        Width = 50
        Height = 21
        Text = '0'
        OnChange = ComboBox2Click
      end
      object UpDown1: TUpDown
        Left = 140
        Top = 28
        Width = 16
        Height = 21
        Associate = Edit1
        Max = 1000
      end
      object Label7: TLabel
        Left = 8
        Top = 56
        Width = 80
        Height = 13
        Caption = 'P&hotometric:'
      end
      object ComboBox3: TComboBox
        Left = 90
        Top = 52
        Width = 110
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox2Click
        Items.Strings = (
          'WHITEISZERO/Gray'
          'BLACKISZERO/Gray'
          'RGB'
          'RGBPALETTE'
          'TRANSPMASK'
          'CMYK'
          'YCBCR'
          'CIELAB')
      end
      object Label19: TLabel
        Left = 210
        Top = 8
        Width = 40
        Height = 13
        Caption = 'C&olors:'
      end
      object ComboBox4: TComboBox
        Left = 210
        Top = 24
        Width = 80
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox2Click
        Items.Strings = (
          'B/W'
          '16'
          '256'
          '65536'
          '16M')
      end
      object GroupBox1: TGroupBox
        Left = 8
        Top = 80
        Width = 290
        Height = 108
        Caption = ' Scanned document info '
        object Label8: TLabel
          Left = 8
          Top = 18
          Width = 110
          Height = 13
          Caption = 'H&oriz. Position (inch):'
        end
        object Edit2: TEdit
          Left = 120
          Top = 14
          Width = 30
          Height = 21
          Text = ''
          OnChange = ComboBox2Click
        end
        object Label10: TLabel
          Left = 156
          Top = 18
          Width = 100
          Height = 13
          Caption = '&Vert. Position (inch):'
        end
        object Edit3: TEdit
          Left = 254
          Top = 14
          Width = 30
          Height = 21
          Text = ''
          OnChange = ComboBox2Click
        end
        object Label12: TLabel
          Left = 8
          Top = 42
          Width = 60
          Height = 13
          Caption = '&Name:'
        end
        object Edit4: TEdit
          Left = 80
          Top = 38
          Width = 200
          Height = 21
          Text = ''
          OnChange = ComboBox2Click
        end
        object Label13: TLabel
          Left = 8
          Top = 64
          Width = 60
          Height = 13
          Caption = '&Description:'
        end
        object Edit5: TEdit
          Left = 80
          Top = 60
          Width = 200
          Height = 21
          Text = ''
          OnChange = ComboBox2Click
        end
        object Label14: TLabel
          Left = 8
          Top = 86
          Width = 60
          Height = 13
          Caption = 'P&age name:'
        end
        object Edit6: TEdit
          Left = 80
          Top = 82
          Width = 90
          Height = 21
          Text = ''
          OnChange = ComboBox2Click
        end
        object Label15: TLabel
          Left = 172
          Top = 86
          Width = 60
          Height = 13
          Caption = 'Page N&umber:'
        end
        object Edit7: TEdit
          Left = 226
          Top = 82
          Width = 24
          Height = 21
          Text = ''
          OnChange = ComboBox2Click
        end
        object Label16: TLabel
          Left = 252
          Top = 86
          Width = 10
          Height = 13
          Caption = 'o&f'
        end
        object Edit8: TEdit
          Left = 262
          Top = 82
          Width = 24
          Height = 21
          Text = ''
          OnChange = ComboBox2Click
        end
      end
      object Label9: TLabel
        Left = 300
        Top = 8
        Width = 100
        Height = 13
        Caption = 'Original size:'
      end
      object Label11: TLabel
        Left = 300
        Top = 24
        Width = 100
        Height = 13
        Caption = '---'
      end
      object Label17: TLabel
        Left = 300
        Top = 48
        Width = 100
        Height = 13
        Caption = 'Compressed size:'
      end
      object Label18: TLabel
        Left = 300
        Top = 64
        Width = 100
        Height = 13
        Caption = '---'
      end
    end
    object TabSheetTIFF2: TTabSheet
      Caption = 'TIFF'
      object Label81: TLabel
        Left = 8
        Top = 8
        Width = 80
        Height = 13
        Caption = '&Compression:'
      end
      object ComboBox16: TComboBox
        Left = 90
        Top = 4
        Width = 110
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox16Change
      end
      object Label82: TLabel
        Left = 8
        Top = 36
        Width = 80
        Height = 13
        Caption = 'C&olors:'
      end
      object ComboBox17: TComboBox
        Left = 90
        Top = 32
        Width = 110
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox16Change
        Items.Strings = (
          '2'
          '16'
          '256'
          '16777216')
      end
      object Label77: TLabel
        Left = 300
        Top = 8
        Width = 100
        Height = 13
        Caption = 'Original size:'
      end
      object Label78: TLabel
        Left = 300
        Top = 24
        Width = 100
        Height = 13
        Caption = '---'
      end
      object Label79: TLabel
        Left = 300
        Top = 48
        Width = 100
        Height = 13
        Caption = 'Compressed size:'
      end
      object Label80: TLabel
        Left = 300
        Top = 64
        Width = 100
        Height = 13
        Caption = '---'
      end
    end
    object TabSheetGIF1: TTabSheet
      Caption = 'GIF'
      object Label20: TLabel
        Left = 8
        Top = 8
        Width = 80
        Height = 13
        Caption = '&Image index:'
      end
      object Edit9: TEdit
        Left = 90
        Top = 4
        Width = 50
        Height = 21
        Text = '0'
        OnChange = ComboBox5Click
      end
      object UpDown2: TUpDown
        Left = 140
        Top = 4
        Width = 16
        Height = 21
        Associate = Edit9
        Max = 1000
      end
      object Label21: TLabel
        Left = 8
        Top = 34
        Width = 80
        Height = 13
        Caption = '&Colors:'
      end
      object ComboBox5: TComboBox
        Left = 90
        Top = 30
        Width = 70
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox5Click
        Items.Strings = (
          'B/W'
          '4'
          '8'
          '16'
          '32'
          '64'
          '128'
          '256')
      end
      object CheckBox4: TCheckBox
        Left = 8
        Top = 58
        Width = 100
        Height = 17
        Caption = '&Transparent:'
        OnClick = ComboBox5Click
      end
      object Label34: TLabel
        Left = 120
        Top = 60
        Width = 100
        Height = 13
        Caption = 'T&ransparent color:'
      end
      object Panel3: TPanel
        Left = 226
        Top = 58
        Width = 41
        Height = 17
        BevelOuter = bvLowered
        Color = clBlack
        ParentBackground = False
        OnClick = Panel3Click
      end
      object CheckBox5: TCheckBox
        Left = 8
        Top = 80
        Width = 100
        Height = 17
        Caption = 'I&nterlaced:'
        OnClick = ComboBox5Click
      end
      object Label35: TLabel
        Left = 120
        Top = 82
        Width = 100
        Height = 13
        Caption = '&Background:'
      end
      object Panel4: TPanel
        Left = 226
        Top = 80
        Width = 41
        Height = 17
        BevelOuter = bvLowered
        Color = clBlack
        ParentBackground = False
        OnClick = Panel4Click
      end
      object GroupBox2: TGroupBox
        Left = 8
        Top = 104
        Width = 280
        Height = 82
        Caption = ' Advanced '
        object Label33: TLabel
          Left = 8
          Top = 20
          Width = 80
          Height = 13
          Caption = '&Delay time:'
        end
        object Edit12: TEdit
          Left = 100
          Top = 16
          Width = 50
          Height = 21
          Text = '0'
          OnChange = ComboBox5Click
        end
        object Label36: TLabel
          Left = 156
          Top = 20
          Width = 50
          Height = 13
          Caption = '1/100 s'
        end
        object Label31: TLabel
          Left = 8
          Top = 44
          Width = 80
          Height = 13
          Caption = '&Horiz. Position:'
        end
        object Edit10: TEdit
          Left = 100
          Top = 40
          Width = 50
          Height = 21
          Text = '0'
          OnChange = ComboBox5Click
        end
        object Label32: TLabel
          Left = 156
          Top = 44
          Width = 70
          Height = 13
          Caption = '&Vert. Position:'
        end
        object Edit11: TEdit
          Left = 226
          Top = 40
          Width = 46
          Height = 21
          Text = '0'
          OnChange = ComboBox5Click
        end
      end
      object Label22: TLabel
        Left = 300
        Top = 8
        Width = 100
        Height = 13
        Caption = 'Original size:'
      end
      object Label28: TLabel
        Left = 300
        Top = 24
        Width = 100
        Height = 13
        Caption = '---'
      end
      object Label29: TLabel
        Left = 300
        Top = 48
        Width = 100
        Height = 13
        Caption = 'Compressed size:'
      end
      object Label30: TLabel
        Left = 300
        Top = 64
        Width = 100
        Height = 13
        Caption = '---'
      end
    end
    object TabSheetGIF2: TTabSheet
      Caption = 'GIF'
      object Label87: TLabel
        Left = 8
        Top = 8
        Width = 80
        Height = 13
        Caption = '&Colors:'
      end
      object ComboBox18: TComboBox
        Left = 90
        Top = 4
        Width = 70
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox18Change
        Items.Strings = (
          'B/W'
          '4'
          '8'
          '16'
          '32'
          '64'
          '128'
          '256')
      end
      object Label83: TLabel
        Left = 300
        Top = 8
        Width = 100
        Height = 13
        Caption = 'Original size:'
      end
      object Label84: TLabel
        Left = 300
        Top = 24
        Width = 100
        Height = 13
        Caption = '---'
      end
      object Label85: TLabel
        Left = 300
        Top = 48
        Width = 100
        Height = 13
        Caption = 'Compressed size:'
      end
      object Label86: TLabel
        Left = 300
        Top = 64
        Width = 100
        Height = 13
        Caption = '---'
      end
    end
    object TabSheetBMP1: TTabSheet
      Caption = 'BMP'
      object Label37: TLabel
        Left = 8
        Top = 8
        Width = 80
        Height = 13
        Caption = '&Compression:'
      end
      object ComboBox6: TComboBox
        Left = 90
        Top = 4
        Width = 110
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox6Change
        Items.Strings = (
          'UNCOMPRESSED'
          'RLE')
      end
      object Label38: TLabel
        Left = 8
        Top = 36
        Width = 80
        Height = 13
        Caption = 'C&olors:'
      end
      object ComboBox7: TComboBox
        Left = 90
        Top = 32
        Width = 110
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox6Change
        Items.Strings = (
          'B/W'
          '16'
          '256'
          '16M'
          '16M (32bit)')
      end
      object Label39: TLabel
        Left = 300
        Top = 8
        Width = 100
        Height = 13
        Caption = 'Original size:'
      end
      object Label40: TLabel
        Left = 300
        Top = 24
        Width = 100
        Height = 13
        Caption = '---'
      end
      object Label41: TLabel
        Left = 300
        Top = 48
        Width = 100
        Height = 13
        Caption = 'Compressed size:'
      end
      object Label42: TLabel
        Left = 300
        Top = 64
        Width = 100
        Height = 13
        Caption = '---'
      end
    end
    object TabSheetPCX1: TTabSheet
      Caption = 'PCX'
      object Label43: TLabel
        Left = 8
        Top = 8
        Width = 80
        Height = 13
        Caption = '&Compression:'
      end
      object ComboBox8: TComboBox
        Left = 90
        Top = 4
        Width = 110
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox8Change
        Items.Strings = (
          'UNCOMPRESSED'
          'RLE')
      end
      object Label44: TLabel
        Left = 8
        Top = 36
        Width = 80
        Height = 13
        Caption = 'C&olors:'
      end
      object ComboBox9: TComboBox
        Left = 90
        Top = 32
        Width = 110
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox8Change
        Items.Strings = (
          'B/W'
          '16'
          '256'
          '16M')
      end
      object Label45: TLabel
        Left = 300
        Top = 8
        Width = 100
        Height = 13
        Caption = 'Original size:'
      end
      object Label46: TLabel
        Left = 300
        Top = 24
        Width = 100
        Height = 13
        Caption = '---'
      end
      object Label47: TLabel
        Left = 300
        Top = 48
        Width = 100
        Height = 13
        Caption = 'Compressed size:'
      end
      object Label48: TLabel
        Left = 300
        Top = 64
        Width = 100
        Height = 13
        Caption = '---'
      end
    end
    object TabSheetPNG1: TTabSheet
      Caption = 'PNG'
      object Label49: TLabel
        Left = 8
        Top = 8
        Width = 80
        Height = 13
        Caption = 'C&olors:'
      end
      object ComboBox10: TComboBox
        Left = 90
        Top = 4
        Width = 110
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox10Change
        Items.Strings = (
          'B/W'
          '256'
          '16M')
      end
      object Label54: TLabel
        Left = 8
        Top = 36
        Width = 80
        Height = 13
        Caption = '&Background:'
      end
      object Panel1: TPanel
        Left = 90
        Top = 34
        Width = 41
        Height = 17
        BevelOuter = bvLowered
        Color = clBlack
        ParentBackground = False
        OnClick = Panel1Click
      end
      object GroupBox3: TGroupBox
        Left = 8
        Top = 60
        Width = 280
        Height = 120
        Caption = ' Advanced '
        object Label55: TLabel
          Left = 8
          Top = 20
          Width = 80
          Height = 13
          Caption = '&Filter'
        end
        object ComboBox11: TComboBox
          Left = 100
          Top = 16
          Width = 110
          Height = 21
          Style = csDropDownList
          OnChange = ComboBox10Change
          Items.Strings = (
            'None'
            'Sub'
            'Paeth')
        end
        object Label56: TLabel
          Left = 8
          Top = 48
          Width = 80
          Height = 13
          Caption = 'Co&mpression'
        end
        object ComboBox12: TComboBox
          Left = 100
          Top = 44
          Width = 110
          Height = 21
          Style = csDropDownList
          OnChange = ComboBox10Change
          Items.Strings = (
            'None'
            '1'
            '2'
            '3'
            '4'
            '5'
            '6'
            '7'
            '8'
            'Max')
        end
        object CheckBox6: TCheckBox
          Left = 8
          Top = 76
          Width = 120
          Height = 17
          Caption = 'I&nterlaced:'
          OnClick = ComboBox10Change
        end
      end
      object Label50: TLabel
        Left = 300
        Top = 8
        Width = 100
        Height = 13
        Caption = 'Original size:'
      end
      object Label51: TLabel
        Left = 300
        Top = 24
        Width = 100
        Height = 13
        Caption = '---'
      end
      object Label52: TLabel
        Left = 300
        Top = 48
        Width = 100
        Height = 13
        Caption = 'Compressed size:'
      end
      object Label53: TLabel
        Left = 300
        Top = 64
        Width = 100
        Height = 13
        Caption = '---'
      end
    end
    object TabSheetTGA1: TTabSheet
      Caption = 'TGA'
      object Label62: TLabel
        Left = 8
        Top = 8
        Width = 80
        Height = 13
        Caption = 'C&olors:'
      end
      object ComboBox14: TComboBox
        Left = 90
        Top = 4
        Width = 110
        Height = 21
        Style = csDropDownList
        OnChange = ComboBox14Click
        Items.Strings = (
          'B/W'
          '256'
          '16M')
      end
      object Label63: TLabel
        Left = 8
        Top = 36
        Width = 80
        Height = 13
        Caption = '&Background:'
      end
      object Panel5: TPanel
        Left = 90
        Top = 34
        Width = 41
        Height = 17
        BevelOuter = bvLowered
        Color = clBlack
        ParentBackground = False
        OnClick = Panel5Click
      end
      object CheckBox1: TCheckBox
        Left = 8
        Top = 60
        Width = 120
        Height = 17
        Caption = 'Compression:'
        OnClick = ComboBox14Click
      end
      object Label64: TLabel
        Left = 8
        Top = 88
        Width = 80
        Height = 13
        Caption = '&Name:'
      end
      object Edit13: TEdit
        Left = 90
        Top = 84
        Width = 190
        Height = 21
        Text = ''
        OnChange = ComboBox14Click
      end
      object Label65: TLabel
        Left = 8
        Top = 116
        Width = 80
        Height = 13
        Caption = '&Description:'
      end
      object Edit14: TEdit
        Left = 90
        Top = 112
        Width = 190
        Height = 21
        Text = ''
        OnChange = ComboBox14Click
      end
      object Label58: TLabel
        Left = 300
        Top = 8
        Width = 100
        Height = 13
        Caption = 'Original size:'
      end
      object Label59: TLabel
        Left = 300
        Top = 24
        Width = 100
        Height = 13
        Caption = '---'
      end
      object Label60: TLabel
        Left = 300
        Top = 48
        Width = 100
        Height = 13
        Caption = 'Compressed size:'
      end
      object Label61: TLabel
        Left = 300
        Top = 64
        Width = 100
        Height = 13
        Caption = '---'
      end
    end
    object TabSheetJ20001: TTabSheet
      Caption = 'JPEG2000'
      object Label66: TLabel
        Left = 8
        Top = 8
        Width = 60
        Height = 13
        Caption = '&Rate:'
      end
      object Edit15: TEdit
        Left = 70
        Top = 4
        Width = 41
        Height = 21
        Text = '0'
        OnChange = Edit15Change
      end
      object TrackBar1: TTrackBar
        Left = 114
        Top = 2
        Width = 170
        Height = 25
        Max = 1000
        Frequency = 20
        OnChange = TrackBar1Change
      end
      object Label71: TLabel
        Left = 8
        Top = 40
        Width = 80
        Height = 13
        Caption = 'P&hotometric:'
      end
      object ComboBox15: TComboBox
        Left = 90
        Top = 36
        Width = 110
        Height = 21
        Style = csDropDownList
        OnChange = TrackBar1Change
        Items.Strings = (
          'GrayScale'
          'RGB'
          'YCbCr')
      end
      object Label67: TLabel
        Left = 300
        Top = 8
        Width = 100
        Height = 13
        Caption = 'Original size:'
      end
      object Label68: TLabel
        Left = 300
        Top = 24
        Width = 100
        Height = 13
        Caption = '---'
      end
      object Label69: TLabel
        Left = 300
        Top = 48
        Width = 100
        Height = 13
        Caption = 'Compressed size:'
      end
      object Label70: TLabel
        Left = 300
        Top = 64
        Width = 100
        Height = 13
        Caption = '---'
      end
    end
  end
  object Button1: TButton
    Left = 432
    Top = 15
    Width = 87
    Height = 23
    Caption = 'OK'
    Default = True
    ModalResult = 1
    OnClick = Button1Click
  end
  object Button2: TButton
    Left = 432
    Top = 43
    Width = 87
    Height = 23
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
  end
  object Button3: TButton
    Left = 432
    Top = 76
    Width = 87
    Height = 23
    Caption = '&Preview'
    OnClick = Button3Click
  end
  object Button4: TButton
    Left = 432
    Top = 106
    Width = 87
    Height = 23
    Caption = '&Apply'
    OnClick = Button4Click
  end
  object chkLockPreview: TCheckBox
    Left = 12
    Top = 398
    Width = 365
    Height = 17
    Hint = 'Automatically updates your preview with the changes you have selected'
    Caption = 'Lock Preview'
    OnClick = SpeedButton1Click
  end
  object ColorDialog1: TColorDialog
  end
end
