// The multi-image companion against a stand-in thumbnail view, acquisition into
// a component or a view, and the device objects that find no devices.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieacquire.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/iemultiio.h"

namespace {

// A list of images that reports each change as a thumbnail view does.
class TFakeMView : public TIEAttachedMView {
public:
    std::vector<std::unique_ptr<TIEBitmap>> Images;
    std::vector<int32_t> Delays;
    std::map<int32_t, std::function<void(bool)>> Callbacks;
    int32_t Next = 0, Kind = 0, I1 = 0, I2 = 0;
    std::function<void(int32_t)> AfterInsert;

    explicit TFakeMView(int N) {
        for (int i = 0; i < N; ++i) {
            Images.push_back(std::make_unique<TIEBitmap>());
            Delays.push_back(0);
        }
    }
    TComponent* MViewComponent() override { return nullptr; }
    int32_t AddMViewCallback(std::function<void(bool)> C, TObject*) override {
        Callbacks[Next] = std::move(C);
        return Next++;
    }
    void RemoveMViewCallback(int32_t H) override { Callbacks.erase(H); }
    int32_t GetImageCount() const override { return static_cast<int32_t>(Images.size()); }
    int32_t GetLastChangeKind() const override { return Kind; }
    int32_t GetLastChangeIndex() const override { return I1; }
    int32_t GetLastChangeIndex2() const override { return I2; }
    void Tell(int32_t K, int32_t A, int32_t B) {
        Kind = K;
        I1 = A;
        I2 = B;
        for (auto& c : Callbacks) c.second(false);
    }
    void InsertImage(int32_t Index) override {
        Images.insert(Images.begin() + Index, std::make_unique<TIEBitmap>());
        Delays.insert(Delays.begin() + Index, 0);
        Tell(1, Index, 0);
        if (AfterInsert) AfterInsert(Index);
    }
    void Delete(int32_t Index) {
        Images.erase(Images.begin() + Index);
        Delays.erase(Delays.begin() + Index);
        Tell(2, Index, 0);
    }
    void Swap(int32_t A, int32_t B) {
        std::swap(Images[A], Images[B]);
        Tell(4, A, B);
    }
    void SetImageBitmap(int32_t Index, TIEBitmap* B) override { Images[Index]->Assign(B); }
    void SetImageDelayTime(int32_t Index, int32_t Ms) override { Delays[Index] = Ms; }
};

std::vector<std::string> Names(TIEMultiIO& M) {
    std::vector<std::string> v;
    for (int i = 0; i < M.GetParamsCount(); ++i) v.push_back(M.GetParams(i)->FileName);
    return v;
}

TEST(MultiIO, MirrorsTheViewsImageList) {
    TFakeMView view(5);
    TIEMultiIO mio;
    EXPECT_EQ(mio.GetParamsCount(), 0);
    mio.SetAttachedMView(&view);
    ASSERT_EQ(mio.GetParamsCount(), 5);
    for (int i = 0; i < 5; ++i) mio.GetParams(i)->FileName = "f" + std::to_string(i);
    EXPECT_EQ(mio.GetParams(-1), nullptr);
    EXPECT_EQ(mio.GetParams(5), nullptr);

    view.Swap(0, 4);
    EXPECT_EQ(Names(mio), (std::vector<std::string>{"f4", "f1", "f2", "f3", "f0"}));
    view.Delete(1);
    EXPECT_EQ(Names(mio), (std::vector<std::string>{"f4", "f2", "f3", "f0"}));
    mio.GetParams(1)->JPEGQuality = 33;
    view.InsertImage(2);  // takes the write options of the record it lands on
    EXPECT_EQ(Names(mio), (std::vector<std::string>{"f4", "f2", "", "f3", "f0"}));
    view.InsertImage(5);  // at the end: the last record's options
    EXPECT_EQ(mio.GetParamsCount(), 6);
    view.Tell(3, 0, 9);  // a move past the end appends
    EXPECT_EQ(Names(mio), (std::vector<std::string>{"f2", "", "f3", "f0", "", "f4"}));

    // Indexes the view should never send leave the list as it is.
    for (auto [k, a, b] : {std::tuple{2, 99, 0}, {2, -1, 0}, {4, 0, 99}, {4, -2, 1}, {3, -1, 2}, {3, 7, 1},
                           {3, 2, 2}, {1, -5, 0}}) {
        view.Tell(k, a, b);
        EXPECT_EQ(mio.GetParamsCount(), 6) << k << " " << a << " " << b;
    }
    EXPECT_EQ(Names(mio), (std::vector<std::string>{"f2", "", "f3", "f0", "", "f4"}));

    // Detached, it hears nothing more.
    mio.SetAttachedMView(nullptr);
    EXPECT_TRUE(view.Callbacks.empty());
}

TEST(MultiIO, AcquiredBitmapsGoIntoTheViewAtTheAcquisitionPosition) {
    TFakeMView view(2);
    TIEMultiIO mio;
    TIEBitmap scan;
    scan.Allocate(200, 100, ieRGB24);
    scan.Fill(0x808080);
    TIOParamsVals* p = nullptr;

    // Without a view nothing happens; a handler may take the bitmap.
    mio.DoAcquireBitmap(&scan, p);
    EXPECT_EQ(p, nullptr);
    mio.SetAttachedMView(&view);
    mio.OnAcquireBitmap = [](TObject*, TIEBitmap*, bool& Handled) { Handled = true; };
    mio.DoAcquireBitmap(&scan, p);
    EXPECT_EQ(view.GetImageCount(), 2);
    mio.OnAcquireBitmap = nullptr;

    mio.AcquisitionPosition = 9;  // clamped to the end
    mio.DoAcquireBitmap(&scan, p);
    ASSERT_EQ(view.GetImageCount(), 3);
    EXPECT_EQ(p, mio.GetParams(2));
    EXPECT_EQ(view.Images[2]->Width(), 200);
    EXPECT_EQ(view.Delays[2], 100);
    EXPECT_EQ(mio.AcquisitionPosition, 3);

    // With AutoAdjustDPI a 2:1 resolution makes the short side twice as long.
    mio.AutoAdjustDPI = true;
    mio.AcquisitionPosition = 0;
    view.AfterInsert = [&](int32_t i) {
        mio.GetParams(i)->SetDpiX(300);
        mio.GetParams(i)->SetDpiY(150);
        mio.GetParams(i)->Width = 200;
        mio.GetParams(i)->Height = 100;
    };
    mio.DoAcquireBitmap(&scan, p);
    ASSERT_EQ(view.GetImageCount(), 4);
    EXPECT_EQ(view.Images[0]->Width(), 200);
    EXPECT_EQ(view.Images[0]->Height(), 200);
    EXPECT_EQ(p->DpiY, 300);
    EXPECT_EQ(p->Height, 200);
    EXPECT_EQ(mio.AcquisitionPosition, 1);
    EXPECT_EQ(scan.Width(), 200) << "the caller's bitmap is left alone";
}

TEST(MultiIO, AdjustDPIAspectScalesTheShortSide) {
    struct {
        int W, H, DpiX, DpiY, OutW, OutH;
        bool Same;
    } cases[] = {
        {200, 100, 300, 150, 200, 200, false},  // wide: height follows
        {100, 200, 150, 300, 200, 200, false},  // tall: width follows
        {100, 100, 72, 72, 100, 100, true},     {100, 100, 0, 72, 100, 100, true},
        {100, 100, 72, -1, 100, 100, true},
    };
    for (const auto& c : cases) {
        for (bool filtered : {false, true}) {
            TIEBitmap b;
            b.Allocate(c.W, c.H, ieRGB24);
            TIOParamsVals p(nullptr);
            p.Width = c.W;
            p.Height = c.H;
            p.SetDpiX(c.DpiX);
            p.SetDpiY(c.DpiY);
            TIEBitmap* out = AdjustDPIAspect(&b, &p, filtered);
            EXPECT_EQ(out == &b, c.Same);
            EXPECT_EQ(out->Width(), c.OutW);
            EXPECT_EQ(out->Height(), c.OutH);
            if (!c.Same) EXPECT_EQ(p.DpiX, p.DpiY);
            if (out != &b) delete out;
        }
    }
    TIEBitmap empty;
    TIOParamsVals p(nullptr);
    p.SetDpiX(1);
    p.SetDpiY(2);
    EXPECT_EQ(AdjustDPIAspect(&empty, &p, false), &empty);
}

TEST(Acquisition, ComponentTakesACallersBitmap) {
    TIEImageIO io;
    TIEBitmap scan;
    scan.Allocate(30, 20, ieRGB24);
    scan.Fill(0x102030);
    TIOParamsVals* p = nullptr;
    io.OnAcquireBitmap = [](TObject*, TIEBitmap*, bool& Handled) { Handled = true; };
    io.DoAcquireBitmap(&scan, p);
    EXPECT_EQ(p, nullptr);
    EXPECT_TRUE(io.IEBitmap()->IsEmpty());
    io.OnAcquireBitmap = nullptr;
    io.DoAcquireBitmap(&scan, p);
    EXPECT_EQ(p, io.Params.get());
    ASSERT_EQ(io.IEBitmap()->Width(), 30);
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB(3, 3).r, scan.GetPixelRGB(3, 3).r);
    EXPECT_NE(io.IEBitmap(), &scan);
}

TEST(Acquisition, NoDevicesAndResetScannerSettings) {
    TIEImageIO io;
    TIEWia* wia = io.GetWIA();
    ASSERT_NE(wia, nullptr);
    EXPECT_EQ(io.GetWIA(), wia);
    EXPECT_FALSE(wia->HasManager());
    EXPECT_EQ(wia->DevicesCount(), 0);
    EXPECT_EQ(wia->LastEvent(), 0);
    EXPECT_TRUE(wia->TakePicture);
    EXPECT_FALSE(wia->DeleteTakenPicture);

    TIEMultiIO mio;
    for (TIETWainParams* t : {io.TWainParams.get(), mio.TWainParams.get()}) {
        const bool multi = t == mio.TWainParams.get();
        SCOPED_TRACE(multi);
        t->Gamma = 1;
        t->Copies = 7;
        t->ProductName = "x";
        t->XResolutionList.AddValue(300);
        t->Reset();
        EXPECT_DOUBLE_EQ(t->Gamma, 2.2);
        EXPECT_EQ(t->FeederEnabled, multi);
        EXPECT_EQ(t->AutoFeed, multi);
        EXPECT_EQ(t->AcquireMultiplePages, multi);
        EXPECT_DOUBLE_EQ(t->XScaling, 1);
        EXPECT_DOUBLE_EQ(t->YScaling, 1);
        EXPECT_EQ(t->Copies, 1);
        EXPECT_TRUE(t->VisibleDialog);
        EXPECT_EQ(t->XResolutionList.Count(), 0);
        EXPECT_TRUE(t->ProductName.empty());
        EXPECT_EQ(t->PixelType, 0);
        EXPECT_FALSE(t->Connected());
    }
    EXPECT_EQ(mio.GetWIA()->DevicesCount(), 0);
}

}  // namespace
