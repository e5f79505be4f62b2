// The skin component the main window carries: it keeps its settings and the
// skin stored with the form. Skinning the application's windows comes with
// the skin engine; for now an active component only holds its skin.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/classes_ext.h"
#include "platform/rtl/classes.h"

class TSkinData : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TSkinData(TComponent* AOwner);
    ~TSkinData() override;

    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    // The kind of form skinned (the main form's), as stored.
    std::string SkinFormtype;
    // Option names ("transparent" and the like) and the kinds of controls to skin, as stored.
    std::vector<std::string> Options;
    std::vector<std::string> SkinControls;
    // Windows whose Tag equals this are left unskinned.
    int32_t DisableTag = 99;

    // The skin file's bytes, kept as stored in the form (position 0).
    TMemoryStream& SkinStream() { return *FSkinStream; }
    void LoadFromStream(TStream& Stream);
    void LoadFromFile(const std::string& FileName);
    bool Empty() { return FSkinStream->Size() == 0; }

private:
    bool FActive = false;
    std::unique_ptr<TMemoryStream> FSkinStream;
};

void RegisterSkinClasses();
