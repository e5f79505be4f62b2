// A test edit made as a Unicode window.
#pragma once

#include <vector>

#include "platform/classlib/stdctrls.h"
#include "unicode/unicodewindows.h"

// An edit made as a Unicode window; it records the characters the class
// library's own handlers see.
class TUniTestEdit : public TEdit {
public:
    explicit TUniTestEdit(TComponent* Owner) : TEdit(Owner) {}
    std::vector<WPARAM> LibraryChars;
    std::vector<WPARAM> DefaultChars;
    int TextChanges = 0;
    void WndProc(TMessage& M) override {
        if (M.Msg == WM_CHAR) LibraryChars.push_back(M.WParam);
        if (M.Msg == CM_TEXTCHANGED) ++TextChanges;
        TEdit::WndProc(M);
    }
    void DefaultHandler(TMessage& M) override {
        if (M.Msg == WM_CHAR) DefaultChars.push_back(M.WParam);
        TEdit::DefaultHandler(M);
    }

protected:
    void CreateWnd() override {
        TCreateParams P;
        CreateParams(P);
        CreateUnicodeWindow(this, P, P.BaseClassName);
        CreateWindowHandle(P);
    }
};

