// The maker's controls: a button that composes its whole face with GDI+ in an
// off-screen buffer (background, state picture, border, focus frames,
// caption), its two-style variant with a focus glow, and a label that lets the
// user drag its window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classlib/stdctrls.h"
#include "platform/gdiplus/gdiplus.h"

// Scoped: the class library's TAlign has alLeft, alRight and alCustom too.
enum class TQemAlignment : uint8_t {
    alTopLeft,
    alTopCenter,
    alTopRight,
    alMiddleLeft,
    alMiddleCenter,
    alMiddleRight,
    alBottomLeft,
    alBottomCenter,
    alBottomRight,
    alCenter,
    alLeft,
    alRight,
    alCustom
};

enum TQemButtonStyle : uint8_t { QemButtonStyle_WinFlat, QemButtonStyle_WinNormal };

class TQemCustomButton : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TQemCustomButton(TComponent* AOwner);
    ~TQemCustomButton() override;

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool DrawFocused() const { return FDrawFocused; }
    void SetDrawFocused(bool Value);
    // The property; TQemButton reaches it as TQemCustomButton::DrawBorder().
    bool DrawBorder() const { return FDrawBorder; }
    void SetDrawBorder(bool Value);
    // Kept as 0xAARRGGBB with alpha 255.
    TColor BackColor() const;
    void SetBackColor(TColor Value);
    bool EnableStatesFont() const { return FEnableStatesFont; }
    void SetEnableStatesFont(bool Value);
    TFont& FontMouseHover() { return *FFontMouseHover; }
    TFont& FontMouseDown() { return *FFontMouseDown; }
    TFont& FontDisabled() { return *FFontDisabled; }
    void SetFontMouseHover(const TFont& Value);
    void SetFontMouseDown(const TFont& Value);
    void SetFontDisabled(const TFont& Value);
    TPicture& PicNormal() { return *FPicNormal; }
    TPicture& PicMouseHover() { return *FPicMouseHover; }
    TPicture& PicMouseDown() { return *FPicMouseDown; }
    TPicture& PicDisabled() { return *FPicDisabled; }
    // A picture with a width is copied; nullptr or an empty one clears the state.
    void SetPicNormal(TPicture* Value);
    void SetPicMouseHover(TPicture* Value);
    void SetPicMouseDown(TPicture* Value);
    void SetPicDisabled(TPicture* Value);
    TQemAlignment TextAlign() const { return FTextAlign; }
    void SetTextAlign(TQemAlignment Value);
    TQemAlignment PictureAlign() const { return FPictureAlign; }
    void SetPictureAlign(TQemAlignment Value);
    int TextX() const { return FTextX; }
    void SetTextX(int Value);
    int TextY() const { return FTextY; }
    void SetTextY(int Value);
    int PictureX() const { return FPictureX; }
    void SetPictureX(int Value);
    int PictureY() const { return FPictureY; }
    void SetPictureY(int Value);
    bool MultiLines() const { return FMultiLines; }
    void SetMultiLines(bool Value);
    TNotifyEvent OnMouseEnter, OnMouseExit;
    bool IsActive = false;
    int ModalResult = 0;

    bool Hovered() const { return FHovered; }
    bool Pressed() const { return FPressed; }
    int FocusedRectMargin() const { return FFocusedRectMargin; }

    bool CreateBackBuffer();
    void SetEnabled(bool Value) override;
    void Click() override;
    void WndProc(TMessage& Message) override;
    // An accelerator character of the caption (Alt+key in the form): true when
    // it matched an enabled button, which was clicked.
    bool DialogChar(char16_t Key);

protected:
    virtual void DrawPicture(GpGraphics* Graphics, GpBitmap* Image);
    virtual void DrawCaption(GpGraphics* Graphics, const std::string& Text);
    virtual void DrawFocusRect(GpGraphics* Graphics) {}
    virtual void DrawBorder(GpGraphics* Graphics) {}
    virtual GpBitmap* GetStatePicture();

    void CreateWnd() override;
    void Paint() override {}
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void FontChanged() override;
    void TextChanged() override { Repaint(); }
    virtual void MouseEnter();
    virtual void MouseLeave();
    void PaintFace(HDC DC);

    int FFocusedRectMargin = 0;
    bool FHovered = false, FPressed = false;
    bool FFocused = false;  // between WM_SETFOCUS and WM_KILLFOCUS

private:
    void SetStatePicture(std::unique_ptr<TPicture>& Own, GpBitmap*& State, TPicture* Value);
    void FreeBackBuffer();
    bool FTransparent = true, FStretch = false, FDrawFocused = false, FDrawBorder = false;
    ARGB FBackColor = 0xFFECE9D8;
    bool FEnableStatesFont = false;
    std::unique_ptr<TFont> FFontMouseHover, FFontMouseDown, FFontDisabled;
    std::unique_ptr<TPicture> FPicNormal, FPicMouseHover, FPicMouseDown, FPicDisabled;
    TQemAlignment FTextAlign = TQemAlignment::alCenter, FPictureAlign = TQemAlignment::alTopLeft;
    int FTextX = 0, FTextY = 0, FPictureX = 0, FPictureY = 0;
    bool FMultiLines = false;
    HBITMAP FBufferBitmap = nullptr;
    HDC FBufferDC = nullptr;
    HGDIOBJ FBufferOld = nullptr;
    GpGraphics* FGraphics = nullptr;
    GpBitmap *FBmpNormal = nullptr, *FBmpMouseHover = nullptr, *FBmpMouseDown = nullptr, *FBmpDisabled = nullptr;
    bool FMouseInside = false;
};

class TQemButton : public TQemCustomButton {
    TESSARO_CLASSINFO
public:
    explicit TQemButton(TComponent* AOwner) : TQemCustomButton(AOwner) {}
    TQemButtonStyle Style() const { return FStyle; }
    void SetStyle(TQemButtonStyle Value);

    static constexpr ARGB ButtonHighlight = 0xFFFFFFFF, ButtonLight = 0xFFF1EFE2, ButtonShadow = 0xFF716F64,
                          ButtonMidShadow = 0xFFACA899;
    static constexpr ARGB FocusGlow = 0xFF9ACD32, FocusGlowTranslucent = 0xA09ACD32, FocusDots = 0xE0000000;

protected:
    void Paint() override;
    void DrawFocusRect(GpGraphics* Graphics) override;
    void DrawBorder(GpGraphics* Graphics) override;

private:
    TQemButtonStyle FStyle = QemButtonStyle_WinFlat;
};

class TQemLabel : public TLabel {
    TESSARO_CLASSINFO
public:
    explicit TQemLabel(TComponent* AOwner) : TLabel(AOwner) {}
    ~TQemLabel() override;
    bool MoveHandler = true;
    // The mouse came over the label and went away again.
    TNotifyEvent OnMouseEnter, OnMouseLeave;
    bool MouseInside() const { return FInside; }
    // The thread's mouse messages while the mouse is over the label: leaves
    // when the cursor is no longer over it (or LeftWindow).
    void CheckMouse(bool LeftWindow);

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void SetParent(TWinControl* AParent) override;

private:
    void Leave();
    bool FInside = false;
};

// Registers the classes for form files.
void RegisterQemControls();
