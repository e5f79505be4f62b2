#include "skin/skin_parts.h"

TDataSkinObject::TDataSkinObject(std::string AName) : Bitmap(std::make_unique<TBitmap>()), Name(std::move(AName)) {}

TDataSkinObject::~TDataSkinObject() = default;

TDataSkinBorder::TDataSkinBorder(std::string AName)
    : TDataSkinObject(std::move(AName)), Bitmap2(std::make_unique<TBitmap>()) {}

TDataSkinButton::TDataSkinButton(std::string AName)
    : TDataSkinObject(std::move(AName)), CheckBitmap(std::make_unique<TBitmap>()), RadioBitmap(std::make_unique<TBitmap>()) {}
