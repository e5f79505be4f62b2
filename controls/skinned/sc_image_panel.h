// A panel that shows a picture (at its corner, stretched or tiled), optionally
// over its parent's background; the track bar's thumb is one.
#pragma once

#include <memory>

#include "platform/classlib/extctrls.h"

enum TscDrawStyle { scNormal, scStretch, scTile };

class TscCustomPanel : public TCustomPanel {
    TESSARO_CLASSINFO
public:
    explicit TscCustomPanel(TComponent* AOwner);
    ~TscCustomPanel() override;
    TPicture& Picture() { return *FPicture; }
    // Copies Value in.
    void SetPicture(TGraphic* Value);
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    bool AutoSize() const { return FAutoSize; }
    virtual void SetAutoSize(bool Value);
    TscDrawStyle DrawStyle() const { return FDrawStyle; }
    void SetDrawStyle(TscDrawStyle Value);

    virtual void ClearPanel();
    virtual void TextChangedHook() {}
    virtual void PictureChanged();

protected:
    void Paint() override;
    void WndProc(TMessage& Message) override;
    void Resize() override;
    void TextChanged() override;
    bool PictureLoaded() const { return FPicture->Graphic() && !FPicture->Graphic()->Empty(); }
    void ApplyAutoSize();

    std::unique_ptr<TPicture> FPicture;
    bool FTransparent = false;
    bool FAutoSize = false;
    TscDrawStyle FDrawStyle = scNormal;
};

class TscImagePanel : public TscCustomPanel {
    TESSARO_CLASSINFO
public:
    explicit TscImagePanel(TComponent* AOwner) : TscCustomPanel(AOwner) {}
    // Stores; with a picture, sizes the panel to it (no repaint).
    void SetAutoSize(bool Value) override;
};
