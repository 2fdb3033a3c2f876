#pragma once
// Dialog templates as data: every control with its id, kind, caption, place in dialog units,
// style and enclosing group box, in template order (which is also the tab order).
#include <string>
#include <vector>

namespace vorlix::frame {

inline constexpr int kNoId = -1;  // a control without identifier (labels, most group boxes)
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

enum class ControlKind { Button, Check, Radio, Edit, Static, Group, Scroll, Progress, Picture };

// Style bits of a control.
enum Style : unsigned {
    kDefault = 1u << 0,  // default push button
    kTabStop = 1u << 1,
    kReadOnly = 1u << 2,
    kMultiLine = 1u << 3,
    kCentered = 1u << 4,
    kGroupStart = 1u << 5,  // first control of a radio group
    kSunken = 1u << 6,      // picture frame
    kNoPrefix = 1u << 7,    // static text shown as is ('&' is no mnemonic)
    kIcon = 1u << 8,        // picture shows an icon instead of a bitmap
};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

struct ControlTemplate {
    int id = kNoId;
    ControlKind kind = ControlKind::Static;
    std::string caption;
    Rect place;
    unsigned style = 0;
    int groupBox = -1;  // index (in the template's controls) of the enclosing group box, or -1
    int resource = 0;   // picture: bitmap or icon resource id
};

struct DialogTemplate {
    int id = 0;
    std::string title;
    int width = 0, height = 0;  // dialog units
    std::string font;
    int pointSize = 8;
    std::vector<ControlTemplate> controls;
};

// Lower-case kind name used by the state dump: button, check, radio, edit, static, group,
// scroll, progress, picture.
const char* kindName(ControlKind kind);

}  // namespace vorlix::frame
