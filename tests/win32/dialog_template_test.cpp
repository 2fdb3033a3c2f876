// The dialog manager builds the windows from the bytes buildDialogTemplate writes: every
// control of the template must arrive with its id, place, class and the styles that make the
// dialog manager do the work (default button, tab stops, radio groups, check boxes that do not
// check themselves).
#include <gtest/gtest.h>

#include "res/resources.h"
#include "win32/win32_host.h"

// After the headers of the project (see win32/dialog_window.h).
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace vorlix::win32 {
namespace {

struct Item {
    DWORD style = 0;
    int x = 0, y = 0, w = 0, h = 0;
    DWORD id = 0;
    WORD classAtom = 0;  // 0 for a class named by text
    std::wstring className, title;
};

// Reads the DLGTEMPLATEEX back: the header's count and title, then each item.
struct Parsed {
    WORD count = 0;
    std::wstring title, font;
    std::vector<Item> items;
};

Parsed parse(const std::vector<std::uint16_t>& w) {
    std::size_t i = 0;
    const auto dword = [&] {
        const DWORD v = w[i] | (DWORD(w[i + 1]) << 16);
        i += 2;
        return v;
    };
    const auto text = [&] {
        std::wstring s;
        while (w[i] != 0) s += static_cast<wchar_t>(w[i++]);
        ++i;
        return s;
    };
    Parsed p;
    EXPECT_EQ(w[0], 1);
    EXPECT_EQ(w[1], 0xFFFF);
    i = 2;
    dword(), dword(), dword();  // help id, extended style, style
    p.count = w[i++];
    i += 4 + 2;  // place, menu, class
    p.title = text();
    i += 3;  // point size, weight, italic and charset
    p.font = text();
    for (WORD n = 0; n < p.count; ++n) {
        if (i % 2) ++i;
        Item item;
        dword(), dword();
        item.style = dword();
        item.x = w[i], item.y = w[i + 1], item.w = w[i + 2], item.h = w[i + 3];
        i += 4;
        item.id = dword();
        if (w[i] == 0xFFFF)
            item.classAtom = w[i + 1], i += 2;
        else
            item.className = text();
        item.title = text();
        ++i;  // creation data
        p.items.push_back(item);
    }
    return p;
}

TEST(DialogTemplateBytes, EveryControlOfBothTemplatesArrivesInTemplateOrder) {
    for (const frame::DialogTemplate* tmpl : {&res::mainTemplate(), &res::aboutTemplate()}) {
        const Parsed p = parse(buildDialogTemplate(*tmpl));
        EXPECT_EQ(p.title, widen(tmpl->title));
        EXPECT_EQ(p.font, L"MS Sans Serif");
        ASSERT_EQ(p.items.size(), tmpl->controls.size());
        for (std::size_t k = 0; k < p.items.size(); ++k) {
            const frame::ControlTemplate& c = tmpl->controls[k];
            const Item& item = p.items[k];
            EXPECT_EQ(static_cast<int>(item.id), c.id) << c.caption;
            EXPECT_EQ(item.x, c.place.x) << c.caption;
            EXPECT_EQ(item.y, c.place.y) << c.caption;
            EXPECT_EQ(item.w, c.place.w) << c.caption;
            EXPECT_EQ(item.h, c.place.h) << c.caption;
            EXPECT_EQ((item.style & WS_TABSTOP) != 0, (c.style & frame::kTabStop) != 0);
            EXPECT_TRUE(item.style & WS_VISIBLE);
        }
    }
}

TEST(DialogTemplateBytes, ControlsGetTheClassesAndStylesThatLetWindowsDoTheWork) {
    const Parsed p = parse(buildDialogTemplate(res::mainTemplate()));
    const auto byCaption = [&](const std::wstring& caption) {
        for (const Item& item : p.items)
            if (item.title == caption) return item;
        ADD_FAILURE() << "no control";
        return Item{};
    };
    struct Case {
        const wchar_t* caption;
        WORD classAtom;
        DWORD typeBits;
    };
    const Case cases[] = {
        {L"OK", 0x0080, BS_DEFPUSHBUTTON},        {L"Cancel", 0x0080, BS_PUSHBUTTON},
        {L"Mirror (horiz)", 0x0080, BS_CHECKBOX},  // not BS_AUTOCHECKBOX: the dialog decides
        {L"Sensor", 0x0080, BS_RADIOBUTTON},      {L"Auto Exposure", 0x0080, BS_GROUPBOX},
        {L"Man. Shutt.", 0x0082, SS_LEFT},
    };
    for (const Case& c : cases) {
        const Item item = byCaption(c.caption);
        EXPECT_EQ(item.classAtom, c.classAtom) << c.caption;
        EXPECT_EQ(item.style & 0x0F, c.typeBits) << c.caption;
    }
    EXPECT_TRUE(byCaption(L"Sensor").style & WS_GROUP);

    int progress = 0, scrollBars = 0;
    for (const Item& item : p.items) {
        progress += item.className == PROGRESS_CLASSW;
        scrollBars += item.classAtom == 0x0084;
    }
    EXPECT_EQ(progress, 1);
    EXPECT_EQ(scrollBars, 3);

    const Parsed about = parse(buildDialogTemplate(res::aboutTemplate()));
    EXPECT_TRUE(about.items[1].style & SS_NOPREFIX);
    EXPECT_EQ(about.items[0].style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
}

// A wide string with its embedded NULs (without the literal's own last one).
template <std::size_t N>
std::wstring withNuls(const wchar_t (&text)[N]) {
    return std::wstring(text, N - 1);
}

TEST(CommonDialogFilter, BarsBecomeNulsAndTheListEndsWithTwo) {
    const struct {
        const char* filter;
        std::wstring expected;
    } cases[] = {
        {"Qef files(.qef)|*.qef||", withNuls(L"Qef files(.qef)\0*.qef\0\0")},
        {"A|*.a;*.b|All|*.*||", withNuls(L"A\0*.a;*.b\0All\0*.*\0\0")},
    };
    for (const auto& c : cases) EXPECT_EQ(commonDialogFilter(c.filter), c.expected) << c.filter;
}

}  // namespace
}  // namespace vorlix::win32
