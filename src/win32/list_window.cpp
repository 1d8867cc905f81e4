#include "win32/list_window.h"

// After windows.h, which they need.
#include <commctrl.h>
#include <oleacc.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <initializer_list>
#include <span>
#include <utility>

#include "form/captions.h"
#include "text/utf8.h"
#include "win32/drag_drop.h"
#include "win32/main_window_parts.h"
#include "win32/message_box.h"
#include "win32/user_folders.h"
#include "win32/wide_text.h"

namespace nolvetta::win32 {

namespace {

namespace fs = std::filesystem;
namespace captions = form::captions;
using Column = form::NewsletterList::Column;
using Part = ListWindow::Part;

constexpr wchar_t ListClass[] = L"Nolvetta.NewsletterList";
constexpr int PartIds = 100;  // beyond IDOK and IDCANCEL, which the dialog keys send
constexpr UINT SortIds = 200;
// Resizable: the table is what the user came for.
constexpr DWORD ListStyle = WS_OVERLAPPEDWINDOW;
// The size it would like, at 96 DPI.
constexpr int WishedWidth = 1080, WishedHeight = 540;
// Enough rows measured to fit the columns to what the eye sees first.
constexpr std::size_t MeasuredRows = 1000;

std::size_t indexOf(Part part) {
    return static_cast<std::size_t>(part);
}

void registerWindowClass(WNDPROC windowProc) {
    static const bool registered = [windowProc] {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = ListClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

// A file or a folder chosen in the shell's own dialog; nothing if none was.
std::optional<fs::path> chooseWithShell(HWND owner, bool folder) {
    IFileOpenDialog* made = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&made)))) {
        return std::nullopt;
    }
    const ComPtr<IFileOpenDialog> dialog(made);
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST |
                       (folder ? FOS_PICKFOLDERS : FOS_FILEMUSTEXIST));
    IShellItem* chosen = nullptr;
    if (FAILED(dialog->Show(owner)) || FAILED(dialog->GetResult(&chosen))) {
        return std::nullopt;
    }
    const ComPtr<IShellItem> item(chosen);
    PWSTR name = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name))) {
        return std::nullopt;
    }
    const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owned(name, CoTaskMemFree);
    return fs::path(name);
}

int textWidth(HDC dc, std::u16string_view text) {
    SIZE size{};
    const std::wstring shown = wide(text);
    GetTextExtentPoint32W(dc, shown.c_str(), int(shown.size()), &size);
    return size.cx;
}

}  // namespace

ListWindow::ListWindow(form::Form1& form, message::Reader& reader, HWND main) : main_(main) {
    registerWindowClass(windowProc);
    const std::u16string title =
        std::u16string(captions::MenuNewsletterList) + u" - " + std::u16string(captions::AppTitle);
    CreateWindowExW(WS_EX_APPWINDOW, ListClass, wide(title).c_str(), ListStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, WishedWidth, WishedHeight, nullptr, nullptr,
                    GetModuleHandleW(nullptr), this);
    const MailHomes homes = mailHomes();
    list_ = std::make_unique<form::NewsletterList>(*this, form, reader, homes.home, homes.dataHome,
                                                   std::filesystem::path());
    if (window_ == nullptr) {
        return;
    }
    tasks_.attach(window_);
    CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                     reinterpret_cast<void**>(&accessibility_));
    buildParts();
    layOut(dpiOf(window_));
    rowsChanged();
}

ListWindow::~ListWindow() {
    list_.reset();  // no scan posts to a window that goes
    if (isOpen()) {
        DestroyWindow(window_);
    }
    if (sortMenu_ != nullptr) {
        DestroyMenu(sortMenu_);
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
    if (accessibility_ != nullptr) {
        accessibility_->Release();
    }
}

void ListWindow::buildParts() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    // Each part that takes the focus is a group of its own, so that the
    // arrow keys stay in it: Tab moves the focus.
    constexpr DWORD Stop = WS_TABSTOP | WS_GROUP;
    const struct {
        Part part;
        const wchar_t* kind;
        std::u16string_view caption;
        DWORD style;
        DWORD extendedStyle;
    } made[] = {
        {Part::SourcesLabel, WC_STATICW, captions::ListSourcesKey, SS_LEFT, 0},
        {Part::Sources, WC_COMBOBOXW, u"", CBS_DROPDOWNLIST | WS_VSCROLL | Stop, 0},
        {Part::Scan, WC_BUTTONW, captions::ListScanKey, BS_PUSHBUTTON | Stop, 0},
        {Part::Cancel, WC_BUTTONW, captions::ListCancelKey, BS_PUSHBUTTON | Stop | WS_DISABLED, 0},
        {Part::Progress, PROGRESS_CLASSW, u"", 0, 0},
        {Part::FilterLabel, WC_STATICW, captions::ListFilterKey, SS_LEFT, 0},
        {Part::Filter, WC_EDITW, u"", ES_AUTOHSCROLL | Stop, WS_EX_CLIENTEDGE},
        {Part::Sort, WC_BUTTONW, captions::ListSortKey, BS_PUSHBUTTON | Stop, 0},
        {Part::Rows, WC_LISTVIEWW, u"", LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | Stop,
         WS_EX_CLIENTEDGE},
        // The user's paths and senders: an `&` in them is no mnemonic.
        {Part::Status, WC_STATICW, u"", SS_LEFT | SS_NOPREFIX, 0},
        {Part::Leave, WC_BUTTONW, captions::ListLeaveKey, BS_PUSHBUTTON | Stop, 0},
    };
    // Made in tab order, which the dialog keys follow; a label just before
    // its field, where its mnemonic leads.
    for (const auto& part : made) {
        parts_[indexOf(part.part)] = CreateWindowExW(
            part.extendedStyle, part.kind, wide(part.caption).c_str(),
            WS_CHILD | WS_VISIBLE | part.style, 0, 0, 0, 0, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(PartIds + indexOf(part.part))), instance,
            nullptr);
    }
    focus_ = handle(Part::Sources);

    for (const auto& [part, name] : {std::pair(Part::Sources, captions::ListSources),
                                     {Part::Scan, captions::ListScan},
                                     {Part::Cancel, captions::ListCancel},
                                     {Part::Progress, captions::ListProgress},
                                     {Part::Filter, captions::ListFilter},
                                     {Part::Sort, captions::ListSort},
                                     {Part::Rows, captions::ListRows},
                                     {Part::Leave, captions::ListLeave}}) {
        describe(handle(part), name);
    }
    // The sort button opens a menu, and says so.
    if (accessibility_ != nullptr) {
        VARIANT role{};
        role.vt = VT_I4;
        role.lVal = ROLE_SYSTEM_BUTTONMENU;
        accessibility_->SetHwndProp(handle(Part::Sort), OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_ROLE,
                                    role);
    }

    // Every store found, all of them first where there are several; then
    // the user's own choice.
    const std::vector<mailbox::MailStore>& stores = list_->sources();
    if (stores.size() > 1) {
        Source all{Choice::Paths, {}};
        for (const mailbox::MailStore& store : stores) {
            all.paths.push_back(store.path);
        }
        addSource(captions::ListAllSources, std::move(all), sources_.size());
    }
    for (const mailbox::MailStore& store : stores) {
        addSource(store.program + u": " + store.name + u"  (" + text::pathText(store.path) + u")",
                  {Choice::Paths, {store.path}}, sources_.size());
    }
    addSource(captions::ListChooseFile, {Choice::File, {}}, sources_.size());
    addSource(captions::ListChooseFolder, {Choice::Folder, {}}, sources_.size());
    SendMessageW(handle(Part::Sources), CB_SETCURSEL, 0, 0);

    SendMessageW(handle(Part::Filter), EM_SETLIMITTEXT, 0, 0);
    SendMessageW(handle(Part::Progress), PBM_SETRANGE32, 0, 1000);
    HWND rows = handle(Part::Rows);
    const DWORD look = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP;
    SendMessageW(rows, LVM_SETEXTENDEDLISTVIEWSTYLE, look, look);
    for (std::size_t column = 0; column < form::NewsletterList::ColumnCount; ++column) {
        std::wstring caption = wide(captions::ListColumns[column]);
        LVCOLUMNW made{};
        made.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
        made.fmt = Column(column) == Column::Count ? LVCFMT_RIGHT : LVCFMT_LEFT;
        made.pszText = caption.data();
        made.iSubItem = int(column);
        SendMessageW(rows, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&made));
    }

    // The header sorts for the mouse; this menu for the keyboard.
    sortMenu_ = CreatePopupMenu();
    for (std::size_t column = 0; column < form::NewsletterList::ColumnCount; ++column) {
        const char16_t key[] = {char16_t(u'1' + column), u'\0'};
        const std::wstring entry =
            wide(captions::format(captions::ListSortEntry, {captions::ListColumns[column], key}));
        AppendMenuW(sortMenu_, MF_STRING, SortIds + column, entry.c_str());
    }
}

// The system's message font at the window's DPI; the parts laid out anew.
void ListWindow::layOut(UINT dpi) {
    const LOGFONTW base = messageFont(dpi);
    const HFONT previous = std::exchange(font_, CreateFontIndirectW(&base));
    for (HWND part : parts_) {
        SendMessageW(part, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    if (previous != nullptr) {
        DeleteObject(previous);
    }
    HDC dc = GetDC(window_);
    const HGDIOBJ old = SelectObject(dc, font_);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window_, dc);
    unit_ = std::max<int>(metrics.tmHeight, 8);
    placeParts();
    fitColumns();
    InvalidateRect(window_, nullptr, TRUE);
}

// Three rows of controls above the table, which takes the rest, and the
// status line with 解除 below it; the fields widen with the window.
void ListWindow::placeParts() {
    RECT client{};
    GetClientRect(window_, &client);
    const int gap = unit_ / 2, high = unit_ * 7 / 4, right = client.right - gap;
    const auto place = [this](Part part, int left, int top, int width, int height) {
        SetWindowPos(handle(part), nullptr, left, top, std::max(width, 0), std::max(height, 0),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    const auto widthOf = [this](Part button) {
        return std::max<int>(captionSize(handle(button), font_).cx + 2 * unit_, 5 * unit_);
    };
    int top = gap;
    // A label, its field, and buttons at the right.
    const auto row = [&](Part label, Part field, std::initializer_list<Part> buttons) {
        int left = right + gap;
        for (auto button = std::rbegin(buttons); button != std::rend(buttons); ++button) {
            left -= widthOf(*button) + gap;
            place(*button, left, top, widthOf(*button), high);
        }
        const int named = captionSize(handle(label), font_).cx + gap;
        place(label, gap, top + (high - unit_) / 2, named, unit_);
        // A combo box's height holds its open list.
        place(field, gap + named, top, left - gap - (gap + named),
              field == Part::Sources ? high * 10 : high);
        top += high + gap;
    };
    row(Part::SourcesLabel, Part::Sources, {Part::Scan, Part::Cancel});
    place(Part::Progress, gap, top, right - gap, unit_);
    top += unit_ + gap;
    row(Part::FilterLabel, Part::Filter, {Part::Sort});
    const int statusHeight = std::max(high, unit_ * 2);
    const int bottom = client.bottom - gap - statusHeight;
    place(Part::Rows, gap, top, right - gap, bottom - gap - top);
    const int leave = widthOf(Part::Leave);
    place(Part::Status, gap, bottom, right - gap - leave - gap, statusHeight);
    place(Part::Leave, right - leave, bottom, leave, high);
}

// An entry of the source chooser, at `at` among them.
void ListWindow::addSource(std::u16string_view caption, Source source, std::size_t at) {
    sources_.insert(sources_.begin() + std::ptrdiff_t(at), std::move(source));
    SendMessageW(handle(Part::Sources), CB_INSERTSTRING, at,
                 reinterpret_cast<LPARAM>(wide(caption).c_str()));
}

void ListWindow::describe(HWND part, std::u16string_view name) {
    if (accessibility_ != nullptr) {
        accessibility_->SetHwndPropStr(part, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME,
                                       wide(name).c_str());
    }
}

// ---- Events

LRESULT CALLBACK ListWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created =
            static_cast<ListWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<ListWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    std::optional<LRESULT> result;
    if (self != nullptr && self->list_) {
        // No exception leaves an event: the user is told what went wrong.
        try {
            result = self->onMessage(message, wParam, lParam);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "!Nolvetta: %s\n", e.what());
            self->inform(text::fromUtf8(e.what()));
        }
    }
    if (self != nullptr && message == WM_NCDESTROY) {
        self->tasks_.detach();
        self->window_ = nullptr;
    }
    return result ? *result : DefWindowProcW(window, message, wParam, lParam);
}

std::optional<LRESULT> ListWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            onCommand(wParam, lParam);
            return 0;
        case WM_NOTIFY:
            return onNotify(*reinterpret_cast<NMHDR*>(lParam));
        case WM_SIZE:
            placeParts();
            return 0;
        case WM_GETMINMAXINFO: {
            auto& sizes = *reinterpret_cast<MINMAXINFO*>(lParam);
            sizes.ptMinTrackSize = {unit_ * 30, unit_ * 16};
            return 0;
        }
        // The focus goes back where it was when the window comes back.
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (IsChild(window_, GetFocus())) {
                    focus_ = GetFocus();
                }
            } else if (IsWindow(focus_) && !HIWORD(wParam)) {
                SetFocus(focus_);
            }
            return 0;
        case WM_SETFOCUS:
            if (IsWindow(focus_)) {
                SetFocus(focus_);
            }
            return 0;
        // What a dialog does: a label's mnemonic and a disabled button move the focus so.
        case WM_NEXTDLGCTL:
            moveFocus(LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : GetNextDlgTabItem(window_, GetFocus(), wParam != 0));
            return 0;
        // Closing only hides it, as the list keeps its rows; a scan stops.
        case WM_CLOSE:
            list_->closed();
            ShowWindow(window_, SW_HIDE);
            SetForegroundWindow(main_);
            return 0;
        case WM_DPICHANGED: {
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            layOut(HIWORD(wParam));
            SetWindowPos(window_, nullptr, suggested.left, suggested.top,
                         suggested.right - suggested.left, suggested.bottom - suggested.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_SETTINGCHANGE:
            // The user chose another font.
            if (wParam == SPI_SETNONCLIENTMETRICS) {
                layOut(dpiOf(window_));
            }
            return std::nullopt;
        case PostedTasks::Message:
            tasks_.run([this] { return isOpen(); });
            return 0;
        default:
            return std::nullopt;
    }
}

void ListWindow::onCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    // Enter presses the focused button, as Space does.
    if (id == IDOK && HIWORD(wParam) == BN_CLICKED) {
        HWND focused = GetFocus();
        for (const Part button : {Part::Scan, Part::Cancel, Part::Sort, Part::Leave}) {
            if (focused == handle(button)) {
                onCommand(MAKEWPARAM(PartIds + indexOf(button), BN_CLICKED), LPARAM(focused));
            }
        }
        return;
    }
    if (lParam == 0) {
        return;  // a menu's or an accelerator's: none here
    }
    const auto part = Part(id - PartIds);
    const UINT code = HIWORD(wParam);
    if (code == BN_CLICKED) {
        switch (part) {
            case Part::Scan:
                return scanChosenSource();
            case Part::Cancel:
                return list_->cancel();
            case Part::Sort:
                return chooseSortColumn();
            case Part::Leave:
                return leaveChosenRows();
            default:
                return;
        }
    }
    if (part == Part::Filter && code == EN_CHANGE) {
        list_->setFilter(windowText(handle(Part::Filter)));
    }
}

std::optional<LRESULT> ListWindow::onNotify(NMHDR& header) {
    if (header.hwndFrom != handle(Part::Rows)) {
        return std::nullopt;
    }
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            // Texts are made for the rows shown, when they are drawn.
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
            const auto row = std::size_t(item.iItem), column = std::size_t(item.iSubItem);
            if ((item.mask & LVIF_TEXT) && item.cchTextMax > 0 && row < list_->rowCount() &&
                column < form::NewsletterList::ColumnCount) {
                const std::u16string cell = list_->cell(row, Column(column));
                const std::size_t length = std::min(cell.size(), std::size_t(item.cchTextMax - 1));
                std::copy_n(cell.begin(), length, item.pszText);
                item.pszText[length] = L'\0';
            }
            return 0;
        }
        // The behaviour decides the order; the header's arrow follows it.
        case LVN_COLUMNCLICK:
            list_->sortOrTurn(Column(reinterpret_cast<NMLISTVIEW&>(header).iSubItem));
            return 0;
        case NM_CUSTOMDRAW: {
            // Who ignores a request to leave stands out.
            auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
            switch (draw.nmcd.dwDrawStage) {
                case CDDS_PREPAINT:
                    return CDRF_NOTIFYITEMDRAW;
                case CDDS_ITEMPREPAINT:
                    return draw.nmcd.dwItemSpec < list_->rowCount() &&
                                   list_->marked(draw.nmcd.dwItemSpec)
                               ? CDRF_NOTIFYSUBITEMDRAW
                               : CDRF_DODEFAULT;
                case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
                    draw.clrText = Column(draw.iSubItem) == Column::Left
                                       ? RGB(0xff, 0, 0)
                                       : GetSysColor(COLOR_WINDOWTEXT);
                    return CDRF_DODEFAULT;
                default:
                    return CDRF_DODEFAULT;
            }
        }
        default:
            return std::nullopt;
    }
}

bool ListWindow::dispatch(MSG& message) {
    if (!isOpen() || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) {
        return false;
    }
    // F6 leaves the table as Tab does, either way.
    if (message.message == WM_KEYDOWN && message.wParam == VK_F6) {
        moveFocus(GetNextDlgTabItem(window_, GetFocus(), GetKeyState(VK_SHIFT) < 0));
        return true;
    }
    return IsDialogMessageW(window_, &message) != FALSE;
}

// ---- Acts

void ListWindow::show() {
    if (!isOpen()) {
        return;
    }
    if (!std::exchange(fitted_, true)) {
        fitToScreen();
    }
    // Else the main window, on top by default, would cover it.
    setTopMost((GetWindowLongPtrW(main_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(focus_);
}

bool ListWindow::setTopMost(bool onTop) {
    return SetWindowPos(window_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) != FALSE;
}

// Centred on the main window's screen, its frame wholly on it.
void ListWindow::fitToScreen() {
    const UINT dpi = dpiOf(window_);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(main_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& free = monitor.rcWork;
    RECT frame{};
    adjustForDpi(frame, ListStyle, FALSE, dpi);
    const form::Box at =
        form::fitOnScreen(MulDiv(WishedWidth, int(dpi), 96), MulDiv(WishedHeight, int(dpi), 96),
                          {free.left, free.top, free.right - free.left, free.bottom - free.top},
                          {-frame.left, -frame.top, frame.right, frame.bottom});
    SetWindowPos(window_, nullptr, at.left + frame.left, at.top + frame.top,
                 at.width - frame.left + frame.right, at.height - frame.top + frame.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    fitColumns();
}

void ListWindow::scan(const std::vector<fs::path>& paths) {
    std::u16string given;
    for (const fs::path& path : paths) {
        given += (given.empty() ? u"" : u", ") + text::pathText(path);
    }
    addSource(given, {Choice::Paths, paths}, 0);
    SendMessageW(handle(Part::Sources), CB_SETCURSEL, 0, 0);
    list_->scan(paths);
}

void ListWindow::scanChosenSource() {
    const auto chosen = std::size_t(SendMessageW(handle(Part::Sources), CB_GETCURSEL, 0, 0));
    if (chosen >= sources_.size()) {
        return;
    }
    std::vector<fs::path> paths = sources_[chosen].paths;
    if (sources_[chosen].choice != Choice::Paths) {
        if (const auto path = chooseWithShell(window_, sources_[chosen].choice == Choice::Folder)) {
            paths.push_back(*path);
        }
    }
    if (!paths.empty()) {
        list_->scan(std::move(paths));
    }
}

void ListWindow::chooseSortColumn() {
    RECT below{};
    GetWindowRect(handle(Part::Sort), &below);
    const auto chosen =
        UINT(TrackPopupMenuEx(sortMenu_, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN,
                              below.left, below.bottom, window_, nullptr));
    if (chosen >= SortIds && chosen < SortIds + form::NewsletterList::ColumnCount) {
        list_->sortOrTurn(Column(chosen - SortIds));
    }
}

void ListWindow::leaveChosenRows() {
    std::vector<std::size_t> rows;
    HWND table = handle(Part::Rows);
    for (int row = -1;
         (row = int(SendMessageW(table, LVM_GETNEXTITEM, WPARAM(row), LVNI_SELECTED))) >= 0;) {
        rows.push_back(std::size_t(row));
    }
    list_->leave(rows);
}

// ---- What the behaviour shows

void ListWindow::setScanning(bool scanning) {
    EnableWindow(handle(Part::Scan), !scanning);
    EnableWindow(handle(Part::Cancel), scanning);
    EnableWindow(handle(Part::Leave), !scanning);
    keepFocusOnAnEnabledPart();
    if (!scanning) {
        SendMessageW(handle(Part::Progress), PBM_SETPOS, 1000, 0);
    }
}

// A button disabled under the focus would leave the keys nowhere.
void ListWindow::keepFocusOnAnEnabledPart() {
    HWND focused = GetFocus();
    if (IsChild(window_, focused) && !IsWindowEnabled(focused)) {
        moveFocus(GetNextDlgTabItem(window_, focused, FALSE));
    }
}

// A field reached so has its text selected, to be typed over.
void ListWindow::moveFocus(HWND to) {
    if (to == nullptr) {
        return;
    }
    if (SendMessageW(to, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
        SendMessageW(to, EM_SETSEL, 0, -1);
    }
    SetFocus(to);
}

void ListWindow::setProgress(std::uint64_t done, std::uint64_t total) {
    SendMessageW(handle(Part::Progress), PBM_SETPOS, total == 0 ? 0 : WPARAM(done * 1000 / total),
                 0);
}

void ListWindow::setStatus(std::u16string_view text) {
    SetWindowTextW(handle(Part::Status), wide(text).c_str());
}

// The rows are others: none stays chosen, as another row now stands there.
void ListWindow::rowsChanged() {
    HWND rows = handle(Part::Rows);
    SendMessageW(rows, LVM_SETITEMCOUNT, list_->rowCount(), 0);
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(rows, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&none));
    showSortOrder();
    fitColumns();
    InvalidateRect(rows, nullptr, TRUE);
}

// Each column as wide as its texts, up to a quarter of the table: a long
// subject must not push the rest out of sight. The last takes what is left.
void ListWindow::fitColumns() {
    HWND rows = handle(Part::Rows);
    RECT table{};
    GetClientRect(rows, &table);
    const int most = std::max<int>(table.right / 4, unit_ * 4);
    HDC dc = GetDC(rows);
    const HGDIOBJ previous = SelectObject(dc, font_);
    const std::size_t measured = std::min(list_->rowCount(), MeasuredRows);
    for (std::size_t column = 0; column + 1 < form::NewsletterList::ColumnCount; ++column) {
        // Room for the header's sort arrow, and the cells' margins.
        int width = textWidth(dc, captions::ListColumns[column]) + unit_ * 3;
        for (std::size_t row = 0; row < measured; ++row) {
            width = std::max(width, textWidth(dc, list_->cell(row, Column(column))) + unit_);
        }
        SendMessageW(rows, LVM_SETCOLUMNWIDTH, column, std::min(width, most));
    }
    SelectObject(dc, previous);
    ReleaseDC(rows, dc);
    SendMessageW(rows, LVM_SETCOLUMNWIDTH, form::NewsletterList::ColumnCount - 1,
                 LVSCW_AUTOSIZE_USEHEADER);
}

void ListWindow::showSortOrder() {
    HWND header = reinterpret_cast<HWND>(SendMessageW(handle(Part::Rows), LVM_GETHEADER, 0, 0));
    for (std::size_t column = 0; column < form::NewsletterList::ColumnCount; ++column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (Column(column) == list_->sortColumn()) {
            item.fmt |= list_->ascending() ? HDF_SORTUP : HDF_SORTDOWN;
        }
        SendMessageW(header, HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
    }
    CheckMenuRadioItem(sortMenu_, SortIds, SortIds + form::NewsletterList::ColumnCount - 1,
                       SortIds + UINT(list_->sortColumn()), MF_BYCOMMAND);
}

void ListWindow::inform(std::u16string_view text) {
    const std::u16string_view ok[] = {captions::ButtonOk};
    if (isOpen()) {
        showMessageBox(window_, font_, text, ok, 0, messageBox_);
    }
}

// いいえ is the default, so that Enter pressed by mistake opens nothing; a
// window that is gone asks nothing.
bool ListWindow::askYesNo(std::u16string_view text) {
    const std::u16string_view buttons[] = {captions::ButtonYes, captions::ButtonNo};
    return isOpen() && showMessageBox(window_, font_, text, buttons, 1, messageBox_) == 0;
}

void ListWindow::post(std::function<void()> task) {
    tasks_.post(std::move(task));
}

}  // namespace nolvetta::win32
