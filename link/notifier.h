#pragma once
// The one thing the link needs of a person: a modal message box that returns when it was
// closed. The dialog host implements it; tests record the texts.
#include <string>

namespace vorlix {

class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void messageBox(const std::string& text) = 0;
};

}  // namespace vorlix
