object frmTemplate: TfrmTemplate
  Left = 0
  Top = 0
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Choose another template'
  ClientHeight = 278
  ClientWidth = 544
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  FormStyle = fsStayOnTop
  Position = poMainFormCenter
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object imvView: TIEMultiView
    Left = 8
    Top = 8
    Width = 528
    Height = 232
    Background = clWhite
    StoreType = ietThumb
    ThumbWidth = 150
    ThumbHeight = 150
    MouseInteract = [mmiScroll, mmiSelect]
    GridWidth = -1
    SelectionWidth = 3
    SelectionColor = clRed
    Style = iemsFlat
    ThumbnailsBorderColor = clBlack
    WallPaperStyle = iewoTile
    TabOrder = 0
    OnDblClick = imvViewDblClick
  end
  object btnOK: TButton
    Left = 360
    Top = 246
    Width = 80
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 1
  end
  object btnCancel: TButton
    Left = 456
    Top = 246
    Width = 80
    Height = 25
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 2
  end
end
