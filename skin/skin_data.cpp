#include "skin/skin_data.h"

#include "platform/classlib/formload.h"

TSkinData::TSkinData(TComponent* AOwner) : TComponent(AOwner), FSkinStream(std::make_unique<TMemoryStream>()) {}

TSkinData::~TSkinData() = default;

void TSkinData::LoadFromStream(TStream& Stream) {
    FSkinStream->Clear();
    FSkinStream->LoadFromStream(Stream);
    FSkinStream->SetPosition(0);
}

void TSkinData::LoadFromFile(const std::string& FileName) {
    FSkinStream->Clear();
    FSkinStream->LoadFromFile(FileName);
    FSkinStream->SetPosition(0);
}

namespace {
using TSetter = std::function<void(TSkinData&, const TFormValue&, TFormReader&)>;
}

TClassInfo& TSkinData::StaticClassInfo() {
    static TClassInfo CI("TSkinData", &TComponent::StaticClassInfo(), CreateComponentOf<TSkinData>, [](TClassInfo& C) {
        C.Define<TSkinData>("Active", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.SetActive(R.Bool(V));
                            }));
        C.Define<TSkinData>("SkinFormtype", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.SkinFormtype = R.Ident(V);
                            }));
        C.Define<TSkinData>("DisableTag", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.DisableTag = static_cast<int32_t>(R.Int(V));
                            }));
        C.Define<TSkinData>("Options", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                if (V.kind != TFormValue::vaSet) R.Error("a set is expected");
                                O.Options = V.Set;
                            }));
        C.Define<TSkinData>("SkinControls", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                if (V.kind != TFormValue::vaSet) R.Error("a set is expected");
                                O.SkinControls = V.Set;
                            }));
        C.Define<TSkinData>("SkinStore", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                const auto& B = R.Binary(V);
                                TMemoryStream M;
                                if (!B.empty()) M.WriteBuffer(B.data(), static_cast<int64_t>(B.size()));
                                M.SetPosition(0);
                                O.LoadFromStream(M);
                            }));
    });
    return CI;
}

void RegisterSkinClasses() { RegisterClasses({&TSkinData::StaticClassInfo()}); }
