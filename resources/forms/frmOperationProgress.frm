object frmOperationProgress: TfrmOperationProgress
  Left = 0
  Top = 0
  BorderIcons = []
  BorderStyle = bsDialog
  Caption = 'OperationProgress'
  ClientHeight = 73
  ClientWidth = 298
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  OnCreate = FormCreate
  OnDeactivate = FormDeactivate
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 13
  object lblInfo: TGpPanel
    Left = 0
    Top = 0
    Width = 298
    Height = 41
    BevelOuter = bvNone
    Caption = 'Find CD/DVD Device'
    TabOrder = 0
    OnMouseDown = lblInfoMouseDown
  end
  object gifPregress: TAgGIFAnimator
    Left = 8
    Top = 50
    Width = 217
    Height = 13
  end
  object lblCancelling: TLabel
    Left = 8
    Top = 50
    Width = 62
    Height = 13
    Caption = 'Cancelling...'
    Visible = False
  end
  object btnCancel: TButton
    Left = 235
    Top = 45
    Width = 55
    Height = 22
    Caption = 'Cancel'
    TabOrder = 1
    OnClick = btnCancelClick
  end
end
