// The main window's source list: adding (dialog and drops), removing, ordering,
// playing, and the size meter under the list.
#include "ui/main_sources.h"

#include <algorithm>
#include <vector>

#include "core/globals.h"
#include "core/qem_utils.h"
#include "core/ui_texts.h"
#include "imaging/io/ieformats.h"
#include "imaging/io/ieimageio.h"
#include "imaging/views/ieimageview.h"
#include "pipeline/template_chooser.h"
#include "platform/system/shell.h"
#include "ui/main_form.h"
#include "platform/rtl/scope.h"

namespace {

// Caption, image, sub-items and data of Source into Dest.
void CopyListItem(TListItem* Dest, TListItem* Source) {
    Dest->SetCaption(Source->Caption());
    Dest->SetImageIndex(Source->ImageIndex());
    Dest->SubItems().Assign(Source->SubItems());
    Dest->Data = Source->Data;
    Dest->Update();
}

TFileItem* ItemFile(TListItem* Item) { return Item ? static_cast<TFileItem*>(Item->Data) : nullptr; }

}  // namespace

void SelectListItem(TListView* List, int Index) {
    if (!List || List->Items().Count() == 0) return;
    List->ClearSelection();
    if (Index >= List->Items().Count()) Index = List->Items().Count() - 1;
    if (Index < 0) Index = 0;
    TListItem* Item = List->Items().Item(Index);
    Item->MakeVisible(false);
    Item->SetSelected(true);
    Item->SetFocused(true);
}

void MoveListItem(TListView* List, TListItem* Item, bool Up) {
    if (!List || !Item) return;
    const int Index = Item->Index();
    const int Count = List->Items().Count();
    if (Up && Index == 0) return;
    if (!Up && Index == Count - 1) return;
    List->Items().BeginUpdate();
    TListItem* NewItem = List->Items().Insert(Up ? Index - 1 : Index + 2);
    CopyListItem(NewItem, Item);
    List->ClearSelection();
    NewItem->SetSelected(true);
    NewItem->SetFocused(true);
    Item->Delete();
    List->Items().EndUpdate();
    NewItem->MakeVisible(false);
}

// ---- Adding -------------------------------------------------------------------------------
void TfrmMain::AddMediaFiles(TStrings& Files) {
    for (int I = 0; I < Files.Count(); ++I) AddMediaFile(Files[I]);
}

void TfrmMain::AddMediaFile(const std::string& Path) {
    Application->ProcessMessages();
    if (!lsvFiles || !FileExists(Path)) return;
    if (!IsSupportedExtension(ExtractFileExt(Path))) return;
    // The batch lines quote names with double quotes, so such a name cannot
    // reach the converter intact: refused now rather than failing at conversion.
    if (Path.find('"') != std::string::npos) {
        Application->MessageBox(Format(STR_MAIN_AddingError5, {Path}), STR_Error, MB_OK | MB_ICONASTERISK);
        return;
    }
    // Captions are compared with letter case: on Linux "a.avi" and "A.avi" are two files.
    for (int I = 0; I < lsvFiles->Items().Count(); ++I)
        if (lsvFiles->Items().Item(I)->Caption() == Path) return;

    auto File = std::make_unique<TFileItem>();
    File->FileName = ExtractFileName(Path);
    File->FilePath = ExtractFilePath(Path);
    ProbeMediaFile(Path, *File);
    const std::string* Refusal = ProbeRefusal(*File);
    if (Refusal) {
        Application->MessageBox(Format(*Refusal, {Path}), STR_Error, MB_OK | MB_ICONASTERISK);
        return;
    }

    TListItem* Item = lsvFiles->Items().Add();
    Item->SetCaption(File->FilePath + File->FileName);
    Item->SetImageIndex(0);
    TStrings& Sub = Item->SubItems();
    for (const std::string* Value :
         {&File->Format, &File->PlayTime, &File->FileSize, &File->VideoCodec, &File->Width, &File->Height,
          &File->VideoBitrate, &File->AspectRatio, &File->FrameRate, &File->AudioCodec, &File->AudioBitRate,
          &File->Channels, &File->SamplingRate, &File->AudioCount, &File->VideoCount, &File->CompleteName})
        Sub.Add(*Value);
    Item->Data = File.get();
    Item->Update();
    FileItems.push_back(std::move(File));
}

void TfrmMain::actAddExecute(TObject*) {
    if (dlgOpen && lsvFiles) {
        dlgOpen->Options.Include(ofAllowMultiSelect);
        // A typed name that is not there gets the dialog's own box.
        dlgOpen->Options.Include(ofFileMustExist);
        dlgOpen->InitialDir = Options.LastOpenDir;
        if (dlgOpen->Execute() && dlgOpen->Files().Count() > 0) {
            AddMediaFiles(dlgOpen->Files());
            SelectListItem(lsvFiles, lsvFiles->Items().Count());
            Options.LastOpenDir = ExtractFilePath(dlgOpen->Files()[0]);
            if (dlgOpen->Files().Count() > 1) dlgOpen->FileName.clear();
        }
    }
    UpdateSizeMeter();
}

void TfrmMain::WMDropFiles(TMessage& Message) {
    HDROP Drop = reinterpret_cast<HDROP>(Message.WParam);
    BeginBusyCursor();
    {
        rtl::TScopeExit FinishDrop([&] {
            UpdateSizeMeter();
            EndBusyCursor();
            DragFinish(Drop);
        });
        const UINT Count = DragQueryFileA(Drop, 0xFFFFFFFF, /*lpszFile=*/nullptr, 0);
        for (UINT I = 0; I < Count; ++I) {
            // Each name is read at its own length: long paths are not cut.
            const UINT Length = DragQueryFileA(Drop, I, /*lpszFile=*/nullptr, 0);
            std::string Name(Length + 1, '\0');
            Name.resize(DragQueryFileA(Drop, I, Name.data(), Length + 1));
            if (!DirectoryExists(Name)) AddMediaFile(Name);
        }
    }
    if (lsvFiles) SelectListItem(lsvFiles, lsvFiles->Items().Count());
}

// ---- Editing ------------------------------------------------------------------------------
namespace {
// Frees the probed file of an item that leaves the list.
void ReleaseFileItem(std::vector<std::unique_ptr<TFileItem>>& Store, TListItem* Item) {
    TFileItem* File = ItemFile(Item);
    auto It = std::find_if(Store.begin(), Store.end(), [File](const auto& P) { return P.get() == File; });
    if (It != Store.end()) Store.erase(It);
}
}  // namespace

void TfrmMain::actRemoveExecute(TObject*) {
    if (lsvFiles && lsvFiles->SelCount() > 0) {
        int Lowest = -1;
        for (int I = lsvFiles->Items().Count() - 1; I >= 0; --I) {
            TListItem* Item = lsvFiles->Items().Item(I);
            if (!Item->Selected()) continue;
            ReleaseFileItem(FileItems, Item);
            Item->Delete();
            Lowest = I;
        }
        SelectListItem(lsvFiles, Lowest);
    }
    UpdateSizeMeter();
}

void TfrmMain::actClearExecute(TObject*) {
    if (lsvFiles) lsvFiles->Items().Clear();
    FileItems.clear();
    UpdateSizeMeter();
}

void TfrmMain::actUpExecute(TObject*) {
    if (lsvFiles) MoveListItem(lsvFiles, lsvFiles->Selected(), /*Up=*/true);
}

void TfrmMain::actDownExecute(TObject*) {
    if (lsvFiles) MoveListItem(lsvFiles, lsvFiles->Selected(), /*Up=*/false);
}

void TfrmMain::lsvFilesDragOver(TObject*, TObject* Source, int X, int Y, TDragState, bool& Accept) {
    Accept = Source && Source == lsvFiles;
    // The item under the pointer stays the drop target while the pointer is
    // over the empty part of the list.
    if (Accept)
        if (TListItem* Item = lsvFiles->GetItemAt(X, Y)) DropTargetIndex = Item->Index();
}

void TfrmMain::lsvFilesDragDrop(TObject*, TObject*, int X, int Y) {
    if (!lsvFiles) return;
    TListItem* Under = lsvFiles->GetItemAt(X, Y);
    int Target = Under ? Under->Index() : DropTargetIndex;
    DropTargetIndex = -1;
    TListItem* Focused = lsvFiles->ItemFocused();
    if (Target < 0 || Target >= lsvFiles->Items().Count() || !Focused) return;
    lsvFiles->Items().BeginUpdate();
    TListItem* NewItem = lsvFiles->Items().Insert(Under ? Target : Target + 1);
    CopyListItem(NewItem, Focused);
    Focused->Delete();
    lsvFiles->Items().EndUpdate();
}

void TfrmMain::actPlaySourceExecute(TObject*) {
    TFileItem* File = lsvFiles ? ItemFile(lsvFiles->Selected()) : nullptr;
    if (File) OpenWithShell(AddTrailingBackslash(File->FilePath) + File->FileName);
}

void TfrmMain::lsvFilesDblClick(TObject* Sender) { actPlaySourceExecute(Sender); }

// ---- The size meter -----------------------------------------------------------------------
double TfrmMain::GetQualityFactor() { return Options.Quality / 100.0; }

void TfrmMain::UpdateSizeMeter() {
    if (!lsvFiles || !prgSize) return;
    if (lsvFiles->Items().Count() == 0) {
        prgSize->SetWidth(0);
        return;
    }
    int64_t Total = 0;
    for (int I = 0; I < lsvFiles->Items().Count(); ++I)
        if (TFileItem* File = ItemFile(lsvFiles->Items().Item(I))) Total += PlayTimeToMs(File->PlayTime);
    const TSizeEstimate E = EstimateSize(Total, Options.Quality);
    prgSize->SetBarColorStop(E.BarColor);
    // The warning comes on every update while the estimate stays above a DVD-5.
    if (E.Warn) Application->MessageBox(IDS_main_MSG_NotEnoughSpace, IDS_main_MSG_Warning, MB_OK | MB_ICONEXCLAMATION);
    prgSize->SetWidth(E.BarWidth);
}

void TfrmMain::DrawSizeScale(bool WithLines) {
    if (!imgSizeBar || !prgSize) return;
    TBitmap& Bmp = imgSizeBar->Picture().Bitmap();
    if (Bmp.Width() != imgSizeBar->Width() || Bmp.Height() != imgSizeBar->Height()) {
        Bmp.SetSize(imgSizeBar->Width(), imgSizeBar->Height());
        Bmp.Canvas().Brush().SetColor(clWhite);
        Bmp.Canvas().FillRect(TRect(0, 0, Bmp.Width(), Bmp.Height()));
    }
    TCanvas& C = Bmp.Canvas();
    const TColor Ink = RGB(68, 68, 62);
    C.Font().SetName("Tahoma");
    C.Font().SetSize(8);
    C.Font().SetColor(Ink);
    C.Brush().SetColor(clWhite);
    C.Pen().SetColor(Ink);
    C.Pen().SetWidth(1);
    for (int I = 0; I <= 21; ++I) {
        const int X = 10 + 19 * I;
        if (I % 4 != 0) {
            if (WithLines) {
                C.MoveTo(X, 0);
                C.LineTo(X, 8);
            }
            continue;
        }
        if (WithLines) {
            C.MoveTo(X, 0);
            C.LineTo(X, 20);
        }
        const std::string Label = std::to_string(250 * I) + STR_MB;
        const int Centre = I == 0 ? X + 2 : X;
        C.TextOut(Centre - C.TextWidth(Label) / 2, 20, Label);
    }
    if (WithLines) {
        C.Pen().SetWidth(3);
        C.Pen().SetColor(RGB(218, 17, 5));
        C.MoveTo(348, 0);
        C.LineTo(348, 20);
        C.Pen().SetColor(RGB(247, 200, 10));
        C.MoveTo(333, 0);
        C.LineTo(333, 20);
    }
    imgSizeBar->Invalidate();
    prgSize->SetWidth(1);
}

// ---- The menu template ----------------------------------------------------------------------
void TfrmMain::ShowTemplatePreview(int32_t Index) {
    if (!imgViewer) return;
    const std::string Path = AppDir + "preview/" + std::to_string(Index) + ".jpg";
    // The file formats are registered on first use, as for the chooser's grid.
    if (RegisteredFormatCount() == 0) IEIOStartup();
    // A missing or broken preview leaves the view empty instead of ending the
    // start-up or the choice with an exception.
    try {
        if (FileExists(Path)) {
            imgViewer->LoadFromFileIO(Path);
            if (!imgViewer->IO()->Aborting) return;
        }
    } catch (const Exception&) {
    }
    imgViewer->ClearImage();
}

void TfrmMain::actChoosetemplateExecute(TObject*) {
    if (!frmTemplate) return;
    frmTemplate->FillTemplateGrid();
    if (frmTemplate->ShowModal() != mrOk) return;
    frmTemplate->StoreTemplateIndex();
    ShowTemplatePreview(Options.TemplateIndex);
    Options.TemplateDir = AddTrailingBackslash(AppDir + "template" + std::to_string(Options.TemplateIndex));
}
