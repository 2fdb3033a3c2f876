#include "frame/dialog_template.h"

namespace vorlix::frame {

const char* kindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
            return "button";
        case ControlKind::Check:
            return "check";
        case ControlKind::Radio:
            return "radio";
        case ControlKind::Edit:
            return "edit";
        case ControlKind::Static:
            return "static";
        case ControlKind::Group:
            return "group";
        case ControlKind::Scroll:
            return "scroll";
        case ControlKind::Progress:
            return "progress";
        case ControlKind::Picture:
            return "picture";
    }
    return "?";
}

}  // namespace vorlix::frame
