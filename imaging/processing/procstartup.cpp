#include "imaging/processing/procstartup.h"

#include <memory>
#include <mutex>

#include "imaging/processing/pixelutils.h"
#include "platform/win/winuser.h"

uint8_t IEExpansionTable[256][24];
uint32_t IEClipboardFormat = 0;

namespace {

int startupCount = 0;

struct PresetList {
    std::vector<TIEPresetKernel> kernels;
    std::vector<std::string> names;
};
std::unique_ptr<PresetList> presets;

}  // namespace

void BuildExpansionTable() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int v = 0; v < 256; ++v)
            for (int bit = 0; bit < 8; ++bit) {
                const uint8_t c = (v & (128 >> bit)) ? 255 : 0;
                IEExpansionTable[v][bit * 3] = c;
                IEExpansionTable[v][bit * 3 + 1] = c;
                IEExpansionTable[v][bit * 3 + 2] = c;
            }
    });
}

int32_t AddPresetKernel(const TIEPresetKernel& kernel, const std::string& name) {
    if (!presets) presets = std::make_unique<PresetList>();
    presets->kernels.push_back(kernel);
    presets->names.push_back(name);
    return static_cast<int32_t>(presets->kernels.size()) - 1;
}

int32_t PresetKernelCount() { return presets ? static_cast<int32_t>(presets->kernels.size()) : 0; }
const TIEPresetKernel& PresetKernel(int32_t index) { return presets->kernels.at(static_cast<size_t>(index)); }
const std::string& PresetKernelName(int32_t index) { return presets->names.at(static_cast<size_t>(index)); }

void IEProcessingStartup() {
    if (startupCount++ > 0) return;
    GreyWeightRed = 21;
    GreyWeightGreen = 71;
    GreyWeightBlue = 8;
    BuildExpansionTable();
    static const struct {
        const char* name;
        TIEPresetKernel k;
    } table[9] = {
        {"None", {{{0, 0, 0}, {0, 1, 0}, {0, 0, 0}}, 0}},
        {"Blur", {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 9}},
        {"Edges", {{{1, 1, 1}, {1, -8, 1}, {1, 1, 1}}, 1}},
        {"Emboss", {{{-1, 0, 1}, {-1, 1, 1}, {-1, 0, 1}}, 1}},
        {"High Pass 1", {{{0, -1, 0}, {-1, 5, -1}, {0, -1, 0}}, 1}},
        {"High Pass 2", {{{-1, -1, -1}, {-1, 9, -1}, {-1, -1, -1}}, 1}},
        {"High Pass 3", {{{1, -2, 1}, {-2, 5, -2}, {1, -2, 1}}, 1}},
        {"Low Pass 1", {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 10}},
        {"Low Pass 2", {{{1, 2, 1}, {2, 4, 2}, {1, 2, 1}}, 16}},
    };
    for (const auto& e : table) AddPresetKernel(e.k, e.name);
    IEClipboardFormat = RegisterClipboardFormatA("IELIB RAW FORMAT");
}

void IEProcessingShutdown() {
    if (startupCount == 0 || --startupCount > 0) return;
    presets.reset();
}

TIPDialogParams::TIPDialogParams() = default;
