// The titles of a form's menu bar, drawn by the form in the font of its other texts. The system
// draws them in its menu font, which grows with the display's scaling, while the strip the menu
// bar is cut down to keeps its designed pixels; drawn here, the titles keep their 96-dpi size and
// place at the top of the bar, however tall the system makes the bar.
#include "platform/win32/text.h"
#include "platform/win32/win32_forms.h"

namespace kest::platform::win32 {

namespace {

// The system's measure of a font's character width for menus: the mean of the Latin letters.
int AverageCharWidth(HDC dc, HFONT font) {
    static const wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const Selection selected(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, kLetters, 52, &size);
    return (size.cx / 26 + 1) / 2;
}

Font MenuFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return Font(CreateFontIndirectW(&metrics.lfMenuFont));
}

bool FlatMenus() {
    BOOL flat = FALSE;
    SystemParametersInfoW(SPI_GETFLATMENU, 0, &flat, 0);
    return flat != FALSE;
}

}  // namespace

const Win32MenuItem* Win32Form::Title(UINT id) const {
    const auto it = items_.find(id);
    return it != items_.end() && it->second->Submenu() ? it->second : nullptr;
}

bool Win32Form::MeasureTitle(MEASUREITEMSTRUCT& measure) const {
    const Win32MenuItem* title = measure.CtlType == ODT_MENU ? Title(measure.itemID) : nullptr;
    if (!title) return false;
    const WindowDC dc(nullptr);
    RECT text{};
    {
        const Selection font(dc.get(), UiFont());
        DrawTextW(dc.get(), Wide(title->Caption()), -1, &text, DT_SINGLELINE | DT_CALCRECT);
    }
    // The system adds two of its menu characters; the title wants two of its own font's.
    const Font menuFont = MenuFont();
    const int margins = 2 * (AverageCharWidth(dc.get(), UiFont()) - AverageCharWidth(dc.get(), menuFont.get()));
    measure.itemWidth = static_cast<UINT>(std::max<LONG>(1, text.right - text.left + margins));
    measure.itemHeight = static_cast<UINT>(text.bottom - text.top);
    return true;
}

bool Win32Form::DrawTitle(const DRAWITEMSTRUCT& draw) const {
    const Win32MenuItem* title = draw.CtlType == ODT_MENU ? Title(draw.itemID) : nullptr;
    if (!title) return false;
    HDC dc = draw.hDC;
    const bool flat = FlatMenus();
    const bool selected = (draw.itemState & (ODS_SELECTED | ODS_HOTLIGHT)) != 0;
    FillRect(dc, &draw.rcItem, GetSysColorBrush(flat ? COLOR_MENUBAR : COLOR_MENU));
    // The bar as tall as it is at 96 dpi, from its top: the rows the strip shows.
    RECT body = draw.rcItem;
    body.bottom = body.top + ToDesign(body.bottom - body.top);
    COLORREF ink = GetSysColor((draw.itemState & ODS_GRAYED) ? COLOR_GRAYTEXT : COLOR_MENUTEXT);
    if (selected && flat) {
        FillRect(dc, &body, GetSysColorBrush(COLOR_HIGHLIGHT));
        RECT inner = body;
        InflateRect(&inner, -1, -1);
        FillRect(dc, &inner, GetSysColorBrush(COLOR_MENUHILIGHT));
        ink = GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else if (selected) {
        DrawEdge(dc, &body, BDR_SUNKENOUTER, BF_RECT);
    }
    const Selection font(dc, UiFont());
    const int margin = AverageCharWidth(dc, UiFont());
    RECT text{body.left + margin, body.top, body.right - margin, body.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);
    const UINT hidePrefix = (draw.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    DrawTextW(dc, Wide(title->Caption()), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | hidePrefix);
    return true;
}

// A system that does not match an owner-drawn title's access key itself asks the owner.
LRESULT Win32Form::TitleForKey(wchar_t key) const {
    for (const auto& [id, item] : items_) {
        if (!item->Submenu()) continue;
        const Text caption = item->Caption();
        const auto amp = caption.find(u'&');
        if (amp != Text::npos && amp + 1 < caption.size() &&
            CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(caption[amp + 1]))) ==
                CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(key)))) {
            return MAKELRESULT(item->Position(), MNC_EXECUTE);
        }
    }
    return MAKELRESULT(0, MNC_IGNORE);
}

}  // namespace kest::platform::win32
