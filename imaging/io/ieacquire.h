// The device side of the I/O components. There is no scanner or camera layer on
// this system: the device manager wrapper finds no manager, so it lists no
// devices and fires no events, and the scanner parameters keep their settings
// without ever opening a connection.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmaps/ieutils.h"
#include "platform/rtl/classes.h"

class TComponent;
class TIEBitmap;

// (Sender, the bitmap, Handled): a handler that takes the bitmap sets Handled.
using TIEAcquireBitmapEvent = std::function<void(TObject* Sender, TIEBitmap* Bitmap, bool& Handled)>;

class TIEWia : public TObject {
public:
    explicit TIEWia(TComponent* Owner);
    ~TIEWia() override;
    TIEWia(const TIEWia&) = delete;
    TIEWia& operator=(const TIEWia&) = delete;

    TComponent* Owner() const { return FOwner; }
    // False: no device manager could be made.
    bool HasManager() const { return false; }
    int32_t DevicesCount() const { return 0; }
    // Fired with the last event kind (1 picture taken, 2 item created, 3 item deleted).
    std::function<void(TIEWia* Sender)> OnDeviceEvent;
    // Transfer progress: the percentage; false stops the transfer.
    std::function<bool(int32_t Percent)> OnTransferProgress;
    uint8_t LastEvent() const { return FLastEvent; }

    bool TakePicture = true;
    bool DeleteTakenPicture = false;
    int32_t TransferFormat = 0;
    int32_t CurrentIndex = 0;
    std::string TransferFileName;

private:
    TComponent* FOwner;
    uint8_t FLastEvent = 0;
};

class TIETWainParams : public TObject {
public:
    // MultiOwner: the owner keeps several images (a multi-image companion), so the
    // page feeder and multi-page acquisition are on by default.
    TIETWainParams(TComponent* Owner, bool MultiOwner);
    ~TIETWainParams() override;
    TIETWainParams(const TIETWainParams&) = delete;
    TIETWainParams& operator=(const TIETWainParams&) = delete;
    void Reset();

    // Capability records (raw blocks) and the value lists offered by a source.
    std::vector<std::vector<uint8_t>> Capabilities;
    TIEDoubleList XResolutionList, YResolutionList, XScalingList, YScalingList, ContrastList, BrightnessList,
        ThresholdList, RotationList;
    TIEIntegerList PixelTypeList, BitDepthList, OrientationList, PaperSizeList;
    std::string SelectedSource, ProductName, Manufacturer, ProductFamily;

    double Gamma = 2.2;
    bool FeederEnabled = false, AutoFeed = false, AcquireMultiplePages = false;
    double XScaling = 1, YScaling = 1;
    int32_t Copies = 1;
    bool VisibleDialog = true;
    double Contrast = 0, Brightness = 0, Threshold = 0, Rotation = 0, XResolution = 0, YResolution = 0;
    int32_t PixelType = 0, BitDepth = 0, Orientation = 0, PaperSize = 0;
    double AcquireFrameLeft = 0, AcquireFrameTop = 0, AcquireFrameRight = 0, AcquireFrameBottom = 0;
    bool DuplexEnabled = false, AutoDeskew = false, BufferedTransfer = false;

    // A source-manager connection is never opened.
    bool Connected() const { return false; }

private:
    TComponent* FOwner;
    bool FMultiOwner;
};
