// What the processing part of the image library sets up once per process: the
// 1-bit to 24-bit expansion table, the preset 3x3 kernels, the clipboard format
// of raw images, and the grey weights. Call IEProcessingStartup once from the
// program's start-up (before any image is loaded) and IEProcessingShutdown at
// exit; both count calls, so nested start-ups are harmless.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

// A preset convolution kernel: nine coefficients row by row and a divisor.
struct TIEPresetKernel {
    int32_t Values[3][3];
    int32_t Divisor;
};

void IEProcessingStartup();
void IEProcessingShutdown();

// Entry v: the eight 3-byte pixels of byte value v, most significant bit first
// (255,255,255 for a set bit). Built once, at start-up or on first use
// (BuildExpansionTable is safe to call from any thread); read-only afterwards.
extern uint8_t IEExpansionTable[256][24];
void BuildExpansionTable();

// The preset kernels and their names, in the order they were added.
int32_t AddPresetKernel(const TIEPresetKernel& kernel, const std::string& name);
int32_t PresetKernelCount();
const TIEPresetKernel& PresetKernel(int32_t index);
const std::string& PresetKernelName(int32_t index);

// Identifier of the "IELIB RAW FORMAT" clipboard format, registered with the
// windowing layer at start-up (0 before).
extern uint32_t IEClipboardFormat;

// Remembered settings of the processing previews, one record per processing
// component.
class TIPDialogParams : public TObject {
public:
    TIPDialogParams();
    int32_t Settings[11] = {};
    int32_t UserKernel[3][3] = {{0, 0, 0}, {0, 1, 0}, {0, 0, 0}};
    int32_t UserKernelDivisor = 0;
    TRGB Colors[4] = {{0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {255, 255, 255}};
    int32_t Settings2[2] = {0, 0};
    int32_t Size1[2] = {150, 150};
    TRGB Color2 = {255, 255, 255};
    int32_t Setting3 = 0;
    bool Switch1 = true;
    int32_t Settings4[2] = {0, 0};
    int32_t Size2[2] = {150, 150};
    double Factor = 1.7;
    bool Switch2 = true;
    int32_t Settings5[2] = {10, 10};
    int32_t Setting6 = 0;
    bool Switch3 = false;
    int32_t Settings7[2] = {0, 1};
    double Values[2] = {0.0, 1.0};
    int32_t Settings8[2] = {1, 4};
    int32_t Settings9[4] = {-1, -1, -1, -1};
    int32_t Setting10 = 1;
};
