#pragma once

#include <windows.h>
// After windows.h, which they need.
#include <ole2.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "form/form1.h"

// OLE drag and drop for the window's controls: what a drop brings, the
// controls' drop targets, and the drag of a control's own text.
namespace nolvetta::win32 {

// The reference count every COM object of the window keeps.
template <typename Interface>
class ComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))
                      ? static_cast<Interface*>(this)
                      : nullptr;
        if (*object == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> references_{1};
};

// Gives a COM object's reference back when it goes.
struct Release {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using ComPtr = std::unique_ptr<Interface, Release>;

// Data held in memory in the forms given (a clipboard format and its bytes),
// handed out as a stream where one is asked for, else as global memory.
class DataObject final : public ComObject<IDataObject> {
public:
    using Forms = std::vector<std::pair<CLIPFORMAT, std::string>>;
    explicit DataObject(Forms forms) : forms_(std::move(forms)) {}

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    const std::string* find(const FORMATETC* format) const;
    const Forms forms_;
};

// The bytes of CF_UNICODETEXT for `text`, its final NUL included.
std::string unicodeTextForm(std::u16string_view text);

// The formats of a file that exists only as data (a message dragged out of a
// mail program): its descriptor, then its contents.
CLIPFORMAT fileDescriptorForm();
CLIPFORMAT fileContentsForm();

// What dragged data offers, from its formats alone: a plain-text form
// (CF_UNICODETEXT or CF_TEXT), files (CF_HDROP), a message (a file of data).
form::DropOffer offerOf(IDataObject* data);
// Its plain text: CF_UNICODETEXT, else CF_TEXT read as code page 932, up to
// the first NUL; empty without either.
std::u16string textOf(IDataObject* data);
// Its files (CF_HDROP).
std::vector<std::filesystem::path> filesOf(IDataObject* data);
// The bytes of its first file of data, read from the stream or memory the
// source gives, no further than one byte past the largest message read.
std::string messageOf(IDataObject* data);

// A drop's data, each form read when the window asks for it.
class OleDrop final : public form::DroppedData {
public:
    explicit OleDrop(IDataObject* data) : data_(data) {}
    form::DropOffer offer() const override { return offerOf(data_); }
    std::vector<std::filesystem::path> files() override { return filesOf(data_); }
    std::string message() override { return messageOf(data_); }
    std::u16string_view text() override { return text_ = textOf(data_); }

private:
    IDataObject* data_;
    std::u16string text_;
};

// The window's drop target. A drag from another program finds the window
// under the pointer itself, which may be a frame lying over the field it
// holds: the target, on the whole window, asks which field is at the point.
// It takes only what `takes` agrees to there, always as a copy (a move would
// make the source delete what was dragged), and gives the drop to `dropped`.
class DropTarget final : public ComObject<IDropTarget> {
public:
    using Takes = std::function<bool(POINTL at, const form::DropOffer&)>;
    using Dropped = std::function<void(POINTL at, form::DroppedData&)>;
    DropTarget(Takes takes, Dropped dropped)
        : takes_(std::move(takes)), dropped_(std::move(dropped)) {}

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL at,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL at, DWORD* effect) override;

private:
    Takes takes_;
    Dropped dropped_;
    std::optional<form::DropOffer> offer_;  // what is being dragged over the window
};

// A drag of the window's own text: dropped when the left button comes up,
// given up at Escape.
class DropSource final : public ComObject<IDropSource> {
public:
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

}  // namespace nolvetta::win32
