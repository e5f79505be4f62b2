// A test tree for the shell namespace and the folder picker: a home with
// user-dirs.dirs (Documents, Music, a desktop folder; Pictures missing), and a
// mounts table naming temporary folders, one of them labelled "My Disc".
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/commctl/shellfolder.h"
#include "platform/system/unicode_conv.h"

namespace fs = std::filesystem;

class FpTestTree : public ::testing::Test {
protected:
    void SetUp() override {
        Root = fs::path(::testing::TempDir()) / ("ns_" + std::to_string(getpid()));
        fs::remove_all(Root);
        Home = (Root / "home").string();
        for (const char* D : {"home/Docs", "home/Music", "home/Desk/sub", "home/.config", "mnt/usb", "mnt/disc/VIDEO_TS",
                              "mnt/disc/ビデオ", "mnt/with blank", "mnt/tmp"})
            fs::create_directories(Root / D);
        std::ofstream(Root / "home/Desk/a.txt") << "x";
        std::ofstream(Root / "mnt/disc/A.txt") << "x";
        std::ofstream(Root / "home/Desk/.hidden") << "x";
        fs::create_symlink(Root / "mnt/disc", Root / "home/Desk/disc link");
        std::ofstream(Root / "home/.config/user-dirs.dirs")
            << "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n"
               "XDG_PICTURES_DIR=\"$HOME/Gone\"\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\n";
        const std::string Mnt = (Root / "mnt").string();
        std::ofstream(Root / "mounts") << "proc /proc proc rw 0 0\n"
                                       << "/dev/sdb1 " << Mnt << "/usb vfat rw 0 0\n"
                                       << "tmpfs " << Mnt << "/tmp tmpfs rw 0 0\n"
                                       << "/dev/disk/by-label/My\\x20Disc " << Mnt << "/disc iso9660 ro 0 0\n"
                                       << "/dev/sdd1 " << Mnt << "/with\\040blank ext4 rw 0 0\n";
        for (const char* V : {"XDG_DOCUMENTS_DIR", "XDG_MUSIC_DIR", "XDG_PICTURES_DIR", "XDG_DESKTOP_DIR",
                              "XDG_VIDEOS_DIR", "XDG_TEMPLATES_DIR"})
            unsetenv(V);
        setenv("HOME", Home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root / "home/.config").c_str(), 1);
        SetShellMountsTable((Root / "mounts").string());
        ASSERT_EQ(SHGetDesktopFolder(&Desktop), S_OK);
    }
    void TearDown() override {
        Desktop->Release();
        SetShellMountsTable("");
        fs::remove_all(Root);
    }
    LPITEMIDLIST Parse(const std::string& Path, HRESULT* Result = nullptr) {
        LPITEMIDLIST L = nullptr;
        const HRESULT R =
            Desktop->ParseDisplayName(nullptr, nullptr, sysconv::Utf8ToUtf16(Path).c_str(), nullptr, &L, nullptr);
        if (Result) *Result = R;
        return L;
    }
    fs::path Root;
    std::string Home;
    IShellFolder* Desktop = nullptr;
};

