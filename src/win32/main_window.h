#pragma once

#include <windows.h>

#include <array>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form/form1.h"
#include "form/view.h"
#include "win32/posted_tasks.h"

struct IDropTarget;
struct IAccPropServices;

namespace nolvetta::launcher {
class Launcher;
}
namespace nolvetta::message {
class Reader;
}

namespace nolvetta::win32 {

class ListWindow;

// The program's main window, drawn with Win32 from the window's tables: it
// shows what the behaviour (form::Form1) decides and reports every event to
// it. Tab, Enter and the mnemonics are the dialog manager's, so every message
// of the thread, the newsletter list's too, goes through dispatch().
class MainWindow final : public form::View {
public:
    // `handOverKey`: what a later start for the same data directory names
    // (SingleInstance::key()); without it the window answers no hand-over.
    MainWindow(launcher::Launcher& launcher, message::Reader& reader,
               const std::filesystem::path& dataDirectory, std::wstring handOverKey = {});
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    form::Form1& form() { return *form_; }
    HWND handle() const { return window_; }
    // The newsletter list, once it has been opened.
    ListWindow* list() const { return list_.get(); }
    // The control's own window (a combo box's, not its edit field's).
    HWND handle(form::Control control) const;
    // False once the window is closed.
    bool isOpen() const;
    // Handles one message of the thread: the dialog keys first, then as usual.
    void dispatch(MSG& message);

    std::u16string text(form::Control control) const override;
    void setText(form::Control control, std::u16string_view text) override;
    void selectAll(form::Control control) override;
    void setEntries(form::Control list, const store::AddressList& entries) override;
    void entryAdded(form::Control list, std::u16string_view entry) override;
    void entryRemoved(form::Control list, std::size_t index) override;
    void setChecked(form::Menu entry, bool checked) override;
    std::optional<form::Menu> popUp(form::Menu menu, std::optional<form::Control> below,
                                    std::optional<form::Menu> current) override;
    void inform(std::u16string_view text) override;
    bool askYesNo(std::u16string_view text) override;
    void dismissMessages() override;
    void closeWindow() override;
    void setClipboard(std::u16string_view text) override;
    bool setTopMost(bool onTop) override;
    void showWindow() override;
    void post(std::function<void()> task) override;
    void openNewsletterList(const std::vector<std::filesystem::path>& paths) override;

private:
    // While a message box or a pop-up is open.

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR control, DWORD_PTR self);
    // Nothing: the message's default handling.
    std::optional<LRESULT> onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> onControlMessage(form::Control control, HWND window, UINT message,
                                            WPARAM wParam, LPARAM lParam);
    void onCommand(WPARAM wParam, LPARAM lParam);
    LRESULT onHandOver(const COPYDATASTRUCT& data);
    template <typename Act>
    void guarded(Act&& act);

    void buildControls();
    void buildMenus();
    void placeEntries(std::optional<form::Menu> menu);
    void layOut(UINT dpi);
    void fillList(form::Control list);
    void acceptDrops();
    std::optional<form::Control> dropFieldAt(POINTL at) const;
    void describe(HWND window, const GUID& property, std::u16string_view value);
    void describeControl(const form::ControlRow& row, HWND control);
    RECT placeOf(HWND control) const;
    void redraw(HWND control) const;
    std::optional<form::Control> frameAt(POINT point) const;
    bool dragSelection(HWND field, LPARAM at);
    std::size_t ask(std::u16string_view text, std::initializer_list<std::u16string_view> buttons,
                    std::size_t defaultButton);
    void comeToFront();
    void close();

    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    std::array<HWND, form::ControlCount> controls_{};
    std::array<HFONT, form::ControlCount> fittedFonts_{};  // captions too wide for the font
    IDropTarget* dropTarget_ = nullptr;
    // A combo box's entries wait here until its list is first opened.
    std::array<store::AddressList, form::ControlCount> unfilled_{};
    std::array<bool, form::ControlCount> filled_{};
    IAccPropServices* accessibility_ = nullptr;
    HMENU bar_ = nullptr;
    std::array<HMENU, form::MenuCount> menus_{};  // those with entries of their own
    std::array<bool, form::MenuCount> checked_{};
    HWND focus_ = nullptr;       // where the focus goes back to
    HWND messageBox_ = nullptr;  // the message box shown, if any
    std::optional<form::Control> pressedFrame_;
    bool closing_ = false;
    std::wstring handOverKey_;
    // Work for the window's thread, from any thread, run once no box is open.
    PostedTasks tasks_;
    message::Reader& reader_;
    std::unique_ptr<form::Form1> form_;
    std::unique_ptr<ListWindow> list_;  // after the behaviour it reports to: it goes first
};

}  // namespace nolvetta::win32
