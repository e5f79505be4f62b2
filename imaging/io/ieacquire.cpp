#include "imaging/io/ieacquire.h"

TIEWia::TIEWia(TComponent* Owner) : FOwner(Owner) {}

TIEWia::~TIEWia() = default;

TIETWainParams::TIETWainParams(TComponent* Owner, bool MultiOwner) : FOwner(Owner), FMultiOwner(MultiOwner) {
    Reset();
}

TIETWainParams::~TIETWainParams() { Reset(); }

void TIETWainParams::Reset() {
    Capabilities.clear();
    for (TIEDoubleList* l : {&XResolutionList, &YResolutionList, &XScalingList, &YScalingList, &ContrastList,
                             &BrightnessList, &ThresholdList, &RotationList})
        l->Clear();
    for (TIEIntegerList* l : {&PixelTypeList, &BitDepthList, &OrientationList, &PaperSizeList}) l->Clear();
    SelectedSource.clear();
    ProductName.clear();
    Manufacturer.clear();
    ProductFamily.clear();
    Gamma = 2.2;
    FeederEnabled = AutoFeed = AcquireMultiplePages = FMultiOwner;
    XScaling = YScaling = 1;
    Copies = 1;
    VisibleDialog = true;
    Contrast = Brightness = Threshold = Rotation = XResolution = YResolution = 0;
    PixelType = BitDepth = Orientation = PaperSize = 0;
    AcquireFrameLeft = AcquireFrameTop = AcquireFrameRight = AcquireFrameBottom = 0;
    DuplexEnabled = AutoDeskew = BufferedTransfer = false;
}
