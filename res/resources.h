#pragma once
// The program's resources: dialog templates 100 (About) and 102 (main), string 101, the
// version block, icon 128 and bitmap 133 (our own artwork, drawn from shapes).
#include <cstdint>
#include <string>
#include <vector>

#include "frame/dialog_template.h"

namespace vorlix::res {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_VORLIX_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;  // the application icon
inline constexpr int IDB_BANNER = 133;     // the picture of the main dialog

const frame::DialogTemplate& aboutTemplate();
const frame::DialogTemplate& mainTemplate();

// A string of the string table; empty when absent.
std::string loadString(int id);

struct VersionInfo {
    int fileVersion[4];
    int productVersion[4];
    const char* fileDescription;
    const char* internalName;
    const char* originalFilename;
    const char* productName;
    unsigned language;  // 0x0409 US English
    unsigned codePage;  // 0x04b0 Unicode
};
const VersionInfo& versionInfo();
// "1.6.0.0"
std::string versionText();

// A 16-colour picture as 0xAARRGGBB pixels, row by row from the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};
// Icon 128 in the two sizes it carries (32 and 16 pixels square).
Image icon(int size);
// Bitmap 133: 181 x 56 at scale 1, drawn at any scale (a screen's at 150 %: 272 x 84).
Image banner(double scale = 1);

}  // namespace vorlix::res
