// Dialog templates 100 and 102, string 101 and the version block.
#include "res/resources.h"

namespace vorlix::res {

using frame::IDCANCEL;
using frame::IDOK;
using frame::kNoId;
using K = frame::ControlKind;
using namespace frame;  // style bits

const DialogTemplate& aboutTemplate() {
    static const DialogTemplate tmpl{
        IDD_ABOUTBOX,
        "About Vorlix",
        235,
        55,
        "MS Sans Serif",
        8,
        {
            {kNoId, K::Picture, "", {11, 17, 20, 20}, kIcon, -1, IDR_MAINFRAME},
            {kNoId, K::Static, "Korrin Version 1.4", {40, 10, 119, 8}, kNoPrefix, -1},
            {IDOK, K::Button, "OK", {178, 7, 50, 14}, kDefault | kTabStop, -1},
        }};
    return tmpl;
}

// clang-format off
// The 75 controls in template order, which is also the tab order. The last number of a line
// is the index of the enclosing group box (-1: none).
const DialogTemplate& mainTemplate() {
    static const DialogTemplate tmpl{
        IDD_VORLIX_DIALOG, "Halvard K300 camera control 1.6", 315, 278, "MS Sans Serif", 8,
        {
        {IDOK, K::Button, "OK", {7, 257, 24, 14}, kDefault | kTabStop, -1},  // 1
        {IDCANCEL, K::Button, "Cancel", {35, 257, 25, 14}, kTabStop, -1},  // 2
        {1000, K::Check, "Manual Exposure", {16, 15, 74, 13}, kTabStop, 7},  // 3
        {kNoId, K::Static, "Man. Shutt.", {9, 35, 39, 9}, 0, 7},  // 4
        {kNoId, K::Static, "AEX ref.", {11, 55, 32, 9}, 0, 7},  // 5
        {1003, K::Edit, "", {119, 33, 16, 13}, kTabStop, 7},  // 6
        {1004, K::Edit, "", {119, 52, 18, 13}, kTabStop, 7},  // 7
        {kNoId, K::Group, "Auto Exposure", {7, 7, 135, 68}, 0, -1},  // 8
        {1005, K::Check, "Auto White Balance", {154, 16, 83, 11}, kTabStop, 10},  // 9
        {1010, K::Button, "Push2White", {236, 13, 53, 14}, kTabStop, 10},  // 10
        {kNoId, K::Group, "White Balance", {147, 7, 160, 39}, 0, -1},  // 11
        {1014, K::Check, "Mirror (horiz)", {17, 89, 51, 12}, kTabStop, 50},  // 12
        {1015, K::Check, "Flip(vert)", {81, 90, 41, 12}, kTabStop, 50},  // 13
        {kNoId, K::Group, "General", {147, 77, 161, 151}, 0, -1},  // 14
        {1016, K::Edit, "", {169, 178, 14, 13}, kTabStop, 27},  // 15
        {1017, K::Edit, "", {187, 178, 14, 13}, kTabStop, 27},  // 16
        {1018, K::Edit, "", {215, 178, 14, 13}, kTabStop, 27},  // 17
        {1019, K::Edit, "", {233, 178, 14, 13}, kTabStop, 27},  // 18
        {1020, K::Radio, "Sensor", {252, 168, 38, 10}, kGroupStart, 27},  // 19
        {1021, K::Radio, "EEprom0", {252, 178, 45, 10}, 0, 27},  // 20
        {1022, K::Radio, "EEprom1", {252, 188, 45, 10}, 0, 27},  // 21
        {1023, K::Radio, "EEprom2", {252, 198, 45, 10}, 0, 27},  // 22
        {1024, K::Radio, "EEprom3", {252, 208, 45, 10}, 0, 27},  // 23
        {kNoId, K::Static, "Register addr:", {165, 168, 44, 9}, 0, 27},  // 24
        {kNoId, K::Static, "Data:", {219, 168, 22, 10}, 0, 27},  // 25
        {1025, K::Check, "Read", {169, 190, 40, 13}, kTabStop, 27},  // 26
        {1026, K::Button, "SEND", {218, 203, 30, 13}, kTabStop, 27},  // 27
        {kNoId, K::Group, "Direct I2C Communication", {151, 154, 151, 68}, 0, 13},  // 28
        {kNoId, K::Picture, "", {15, 166, 125, 38}, kSunken, -1, IDB_BANNER},  // 29
        {kNoId, K::Static, "rev 1.6 USB interface", {73, 260, 71, 11}, 0, -1},  // 30
        {kNoId, K::Static, "0x", {155, 178, 10, 14}, 0, 27},  // 31
        {kNoId, K::Static, "0x", {201, 180, 10, 14}, 0, 27},  // 32
        {kNoId, K::Group, "Overlay", {7, 106, 136, 51}, 0, -1},  // 33
        {1027, K::Button, "Connect", {153, 136, 40, 13}, kTabStop, 13},  // 34
        {1028, K::Check, "overlay 2", {13, 144, 45, 10}, kTabStop, 32},  // 35
        {1029, K::Check, "overlay 1", {13, 131, 43, 10}, kTabStop, 32},  // 36
        {1030, K::Check, "overlay 3", {72, 131, 44, 10}, kTabStop, 32},  // 37
        {1031, K::Check, "overlay 4", {71, 144, 44, 10}, kTabStop, 32},  // 38
        {1046, K::Button, "Save ", {153, 120, 40, 12}, kTabStop, 13},  // 39
        {1050, K::Scroll, "", {49, 35, 60, 9}, 0, 7},  // 40
        {1051, K::Scroll, "", {50, 54, 57, 9}, 0, 7},  // 41
        {kNoId, K::Static, "0x", {110, 35, 9, 11}, 0, 7},  // 42
        {kNoId, K::Static, "0x", {109, 54, 9, 11}, 0, 7},  // 43
        {kNoId, K::Static, "address offset 0x", {218, 121, 55, 11}, 0, 13},  // 44
        {1054, K::Edit, "", {285, 120, 14, 12}, kTabStop, 13},  // 45
        {1055, K::Button, "Erase EEpr", {153, 103, 40, 13}, kTabStop, 13},  // 46
        {1056, K::Edit, "", {225, 27, 71, 15}, kTabStop | kReadOnly | kCentered, 10},  // 47
        {kNoId, K::Static, "White Balance mode", {153, 30, 68, 10}, 0, 10},  // 48
        {1057, K::Edit, "", {258, 137, 41, 15}, kTabStop | kReadOnly | kMultiLine, 13},  // 49
        {1060, K::Check, "enable overlay", {13, 117, 62, 10}, kTabStop, 32},  // 50
        {kNoId, K::Group, "Image projection", {7, 79, 135, 27}, 0, -1},  // 51
        {1061, K::Button, "Ld EEpr file", {153, 87, 40, 13}, kTabStop, 13},  // 52
        {1062, K::Edit, "", {199, 86, 74, 13}, kTabStop, 13},  // 53
        {kNoId, K::Static, "TV mode", {218, 139, 34, 10}, 0, 13},  // 54
        {1032, K::Button, "Browse", {276, 86, 32, 13}, kTabStop, 13},  // 55
        {1066, K::Progress, "Progress1", {198, 103, 103, 7}, 0, 13},  // 56
        {1067, K::Button, "Addr+", {157, 203, 24, 13}, kTabStop, 27},  // 57
        {1069, K::Button, "Addr-", {184, 203, 24, 13}, kTabStop, 27},  // 58
        {kNoId, K::Group, "Sharpness", {147, 47, 161, 29}, 0, -1},  // 59
        {1068, K::Scroll, "", {202, 59, 78, 9}, 0, 58},  // 60
        {kNoId, K::Static, "gain (0-7):", {163, 59, 34, 10}, 0, 58},  // 61
        {1070, K::Edit, "", {289, 57, 12, 12}, kTabStop, 58},  // 62
        {1076, K::Group, "Image trim", {147, 226, 155, 45}, 0, -1},  // 63
        {1071, K::Button, "left", {162, 237, 22, 10}, kTabStop, 62},  // 64
        {1072, K::Button, "right", {187, 236, 22, 10}, kTabStop, 62},  // 65
        {1073, K::Button, "up", {225, 235, 23, 10}, kTabStop, 62},  // 66
        {1074, K::Button, "down", {224, 251, 23, 10}, kTabStop, 62},  // 67
        {1058, K::Edit, "", {168, 249, 43, 15}, kTabStop | kReadOnly | kCentered | kMultiLine, 62},  // 68
        {1059, K::Edit, "", {256, 232, 40, 15}, kTabStop | kReadOnly | kCentered | kMultiLine, 62},  // 69
        {1075, K::Button, "STORE", {257, 249, 30, 17}, kTabStop, 62},  // 70
        {kNoId, K::Group, "I2C Address", {7, 210, 135, 46}, 0, -1},  // 71
        {1077, K::Edit, "", {22, 236, 19, 12}, kTabStop, 70},  // 72
        {1078, K::Button, "Set new I2C address", {62, 219, 71, 16}, kTabStop, 70},  // 73
        {1079, K::Button, "Search I2C address", {61, 239, 72, 13}, kTabStop, 70},  // 74
        {kNoId, K::Static, "I2C address", {13, 222, 39, 9}, 0, 70},  // 75
        }};
    return tmpl;
}

// clang-format on

std::string loadString(int id) {
    if (id == IDS_ABOUTBOX) return "&About Vorlix rev1.6";
    return {};
}

const VersionInfo& versionInfo() {
    static const VersionInfo info{
        {VORLIX_VERSION_MAJOR, VORLIX_VERSION_MINOR, VORLIX_VERSION_PATCH, 0},
        {VORLIX_VERSION_MAJOR, VORLIX_VERSION_MINOR, VORLIX_VERSION_PATCH, 0},
        "Vorlix MFC Application",
        "Vorlix",
        "Vorlix.EXE",
        "Vorlix Application",
        0x0409,
        0x04b0};
    return info;
}

std::string versionText() {
    const auto& v = versionInfo().fileVersion;
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
           std::to_string(v[3]);
}

}  // namespace vorlix::res
