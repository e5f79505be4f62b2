// Loading for the thumbnail grid: the readers of its background loads, the
// loader thread, and reading the preset frame pictures.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/io/ieimageio.h"
#include "platform/classlib/threads.h"
#include "platform/win/winuser.h"

class TIEBitmap;
class TIEMultiView;

// Posted by a completion to the grid's window: it repaints.
constexpr UINT IEM_LOADED = WM_USER + 0x4D1;

// True when the file's extension is that of a readable image format.
bool IEMultiViewIsImageFile(const std::string& FileName);
// Loads the preset frame picture of that resource name (a PNG of resources/frames).
bool IEMultiViewLoadFrame(TIEBitmap* Target, const char* Name);

// A background read of one image: an I/O component in asynchronous mode with a
// target of its own. Its completion reaches the view exactly once, after the read
// has ended on its worker, also when the read raised or ended without its finish
// notification.
class TIEMViewReader : public TIEImageIO {
public:
    TIEMViewReader(TIEMultiView* View, int32_t Index);
    // Waits for the worker first.
    ~TIEMViewReader() override;
    void LoadFromFile(const std::string& FileName) override;
    void LoadFromFileFormat(const std::string& FileName, TIOFormatCode Format) override;
    // Runs the completion unless it ran already.
    void Complete();
    // The image index while reading, -2 cancelled, -1 finished; under the loader lock.
    int32_t ReadTag;
    std::unique_ptr<TIEBitmap> Target;
    // What to make of the result, fixed when the read starts.
    bool Thumb = false;
    int32_t ThumbWidth = 0, ThumbHeight = 0;

private:
    template <class F>
    void OnWorker(F Read);
    TIEMultiView* FView;
    std::atomic<bool> FCompleted{false};
};

// The grid's loader thread: starts queued reads while pool slots are free, and
// sleeps while there is nothing to do until the view wakes it.
class TIEStarter : public TThread {
public:
    explicit TIEStarter(TIEMultiView* View) : FView(View) {}

protected:
    void Execute() override;

private:
    TIEMultiView* FView;
};
