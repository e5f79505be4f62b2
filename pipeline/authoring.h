// The files the DVD-structure steps hand to the outside tools: the subpicture
// description of each menu page, dvd.xml with or without menus, menu.bat, and
// the numbered output folder. Every file is text with CR LF line ends.
#pragma once

#include <string>

// Button layout of a template, from its dat.dat; a missing value reads 0.
struct TTemplateLayout {
    int Button1X = 0, Button1Y = 0;
    int Button2X = 0, Button2Y = 0;
    int DiffX = 0, DiffY = 0;
    int FirstX = 0, FirstY = 0, FirstWidth = 0, FirstHeight = 0;
    int PreX = 0, PreY = 0;
    int NextX = 0, NextY = 0;
};
TTemplateLayout ReadTemplateLayout(const std::string& DatFile);

// A title button is this large on the page.
constexpr int TitleButtonWidth = 160;
constexpr int TitleButtonHeight = 124;

// Number of menu pages for a number of titles (two titles a page).
int MenuPageCount(int TitleCount);

// The texts, for the current Options (TempDir, ResourcesDir, tool files, VideoFormat).
std::string PageXmlText(int Page, bool HasSecondTitle, const TTemplateLayout& Layout);
// The still video of the disc's main menu in ResourcesFolder, in the run's TV
// norm (the NTSC one lives in its "ntsc" subfolder under the same name).
std::string MainMenuVideo(const std::string& ResourcesFolder);
std::string MenuDvdXmlText(int TitleCount);
std::string NoMenuDvdXmlText(int LastTitle);  // titles 0 .. LastTitle
std::string MenuBatchText(int PageCount);

// "25" / "29.97" and "p" / "n" for VideoFormat 0 / 1; "" for any other value.
std::string MenuFrameRate();
std::string MenuNorm();

// Writers into Options.TempDir; a file that cannot be written raises.
void WritePageXmls(const TTemplateLayout& Layout);  // every page of Options.TitleCount titles
void WriteMenuDvdXml();
void WriteNoMenuDvdXml();
void WriteMenuBatch();

// The first Base + "DVD_DISC<n>" (n = 1, 2, ...) that is not a folder, created with
// missing parents; answered without a trailing separator ("" when it cannot be made).
std::string NewDiscFolder(const std::string& Base);

// The DVD-structure builder's command line for an output folder.
std::string AuthorCommandLine(const std::string& OutputFolder);

// Progress of the builder from one of its lines: the new bar value, or -1 when the
// line does not move it.
int AuthorLineProgress(const std::string& Line, int TitleCount);

void DeleteMenuFiles();
void DeleteTitleFiles();
