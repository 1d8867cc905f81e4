#include "win32/drag_drop.h"

// After windows.h, which they need.
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <optional>
#include <utility>

#include "message/message.h"
#include "win32/wide_text.h"

namespace nolvetta::win32 {

namespace {

FORMATETC formatOf(CLIPFORMAT form) {
    return {form, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

bool has(IDataObject* data, CLIPFORMAT form) {
    FORMATETC format = formatOf(form);
    return data->QueryGetData(&format) == S_OK;
}

// The bytes of one form of the data, as far as its memory goes: the data
// may come from another program, and nothing is read beyond its end.
std::optional<std::string> bytesOf(IDataObject* data, FORMATETC format) {
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) {
        return std::nullopt;
    }
    std::optional<std::string> bytes;
    if (medium.tymed == TYMED_HGLOBAL) {
        if (const void* memory = GlobalLock(medium.hGlobal)) {
            bytes.emplace(static_cast<const char*>(memory), GlobalSize(medium.hGlobal));
            GlobalUnlock(medium.hGlobal);
        }
    }
    ReleaseStgMedium(&medium);
    return bytes;
}

std::optional<std::string> bytesOf(IDataObject* data, CLIPFORMAT form) {
    return bytesOf(data, formatOf(form));
}

std::u16string fromCodePage(UINT codePage, std::string_view bytes) {
    const int size = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), length);
    return utf16(text);
}

}  // namespace

// The names of CF_HDROP: a DROPFILES header, then the names, each ended by a
// NUL, and an empty one at the end. Read here with its size checked, which
// DragQueryFile does not do.
std::vector<std::filesystem::path> filesOf(IDataObject* data) {
    const std::optional<std::string> bytes = bytesOf(data, CF_HDROP);
    if (!bytes || bytes->size() < sizeof(DROPFILES)) {
        return {};
    }
    DROPFILES header;
    std::memcpy(&header, bytes->data(), sizeof header);
    if (header.pFiles < sizeof header || header.pFiles > bytes->size()) {
        return {};
    }
    const std::string_view list = std::string_view(*bytes).substr(header.pFiles);
    std::u16string names;
    if (header.fWide) {
        names.resize(list.size() / 2);
        std::memcpy(names.data(), list.data(), names.size() * 2);
    } else {
        names = fromCodePage(CP_ACP, list);
    }
    std::vector<std::filesystem::path> files;
    for (std::size_t start = 0, end;
         (end = names.find(u'\0', start)) != std::u16string::npos && end > start; start = end + 1) {
        files.emplace_back(wide(std::u16string_view(names).substr(start, end - start)));
    }
    return files;
}

// ---- The window's own data

const std::string* DataObject::find(const FORMATETC* format) const {
    if (format == nullptr || format->dwAspect != DVASPECT_CONTENT ||
        (format->tymed & (TYMED_HGLOBAL | TYMED_ISTREAM)) == 0) {
        return nullptr;
    }
    const auto found = std::find_if(forms_.begin(), forms_.end(), [format](const auto& form) {
        return form.first == format->cfFormat;
    });
    return found != forms_.end() ? &found->second : nullptr;
}

HRESULT DataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    const std::string* bytes = find(format);
    if (bytes == nullptr || medium == nullptr) {
        return bytes == nullptr ? DV_E_FORMATETC : E_POINTER;
    }
    medium->pUnkForRelease = nullptr;
    if ((format->tymed & TYMED_ISTREAM) != 0) {
        medium->tymed = TYMED_ISTREAM;
        medium->pstm = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes->data()),
                                         static_cast<UINT>(bytes->size()));
        return medium->pstm != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, std::max<std::size_t>(bytes->size(), 1));
    void* place = memory != nullptr ? GlobalLock(memory) : nullptr;
    if (place == nullptr) {
        GlobalFree(memory);
        return E_OUTOFMEMORY;
    }
    std::memcpy(place, bytes->data(), bytes->size());
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    return S_OK;
}

HRESULT DataObject::QueryGetData(FORMATETC* format) {
    return find(format) != nullptr ? S_OK : DV_E_FORMATETC;
}

HRESULT DataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out != nullptr) {
        out->ptd = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT DataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
    if (direction != DATADIR_GET) {
        return E_NOTIMPL;
    }
    std::vector<FORMATETC> formats;
    for (const auto& form : forms_) {
        formats.push_back(formatOf(form.first));
    }
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
}

std::string unicodeTextForm(std::u16string_view text) {
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    return bytes.append(2, '\0');
}

// ---- What a drop brings

CLIPFORMAT fileDescriptorForm() {
    static const auto form =
        static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_FILEDESCRIPTORW));
    return form;
}

CLIPFORMAT fileContentsForm() {
    static const auto form = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_FILECONTENTS));
    return form;
}

form::DropOffer offerOf(IDataObject* data) {
    form::DropOffer offer;
    offer.text = has(data, CF_UNICODETEXT) || has(data, CF_TEXT);
    offer.files = has(data, CF_HDROP);
    offer.message = has(data, fileDescriptorForm());
    return offer;
}

std::string messageOf(IDataObject* data) {
    FORMATETC format{fileContentsForm(), nullptr, DVASPECT_CONTENT, 0, TYMED_ISTREAM};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) {
        format.tymed = TYMED_HGLOBAL;
        const std::optional<std::string> bytes = bytesOf(data, format);
        // Outlook hands a message over as a storage, which is a compound
        // file: its signature says what it is.
        format.tymed = TYMED_ISTORAGE;
        if (!bytes && SUCCEEDED(data->GetData(&format, &medium))) {
            ReleaseStgMedium(&medium);
            return "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
        }
        return bytes ? bytes->substr(0, message::MaxMessageBytes + 1) : std::string();
    }
    std::string bytes;
    if (medium.tymed == TYMED_ISTREAM) {
        char piece[65536];
        ULONG read = 0;
        while (bytes.size() <= message::MaxMessageBytes &&
               SUCCEEDED(medium.pstm->Read(piece, sizeof piece, &read)) && read > 0) {
            bytes.append(piece, read);
        }
    }
    ReleaseStgMedium(&medium);
    return bytes.substr(0, message::MaxMessageBytes + 1);
}

std::u16string textOf(IDataObject* data) {
    if (const auto bytes = bytesOf(data, CF_UNICODETEXT)) {
        std::u16string text(bytes->size() / 2, u'\0');
        std::memcpy(text.data(), bytes->data(), text.size() * 2);
        return text.substr(0, text.find(u'\0'));
    }
    if (const auto bytes = bytesOf(data, CF_TEXT)) {
        return fromCodePage(932, std::string_view(*bytes).substr(0, bytes->find('\0')));
    }
    return {};
}

// ---- The window's drop target

// No exception leaves for OLE: data that cannot be read is not taken.
HRESULT DropTarget::DragEnter(IDataObject* data, DWORD, POINTL at, DWORD* effect) {
    try {
        offer_ = data != nullptr ? std::optional(offerOf(data)) : std::nullopt;
    } catch (const std::exception&) {
        offer_.reset();
    }
    return DragOver(0, at, effect);
}

HRESULT DropTarget::DragOver(DWORD, POINTL at, DWORD* effect) {
    if (effect == nullptr) {
        return E_INVALIDARG;
    }
    bool taken = false;
    try {
        taken = offer_ && takes_(at, *offer_);
    } catch (const std::exception&) {
    }
    *effect = taken ? *effect & DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT DropTarget::DragLeave() {
    offer_.reset();
    return S_OK;
}

HRESULT DropTarget::Drop(IDataObject* data, DWORD, POINTL at, DWORD* effect) {
    offer_.reset();
    if (data == nullptr || effect == nullptr) {
        return E_INVALIDARG;
    }
    const DWORD allowed = std::exchange(*effect, DROPEFFECT_NONE);
    try {
        if ((allowed & DROPEFFECT_COPY) != 0 && takes_(at, offerOf(data))) {
            *effect = DROPEFFECT_COPY;
            OleDrop drop(data);
            dropped_(at, drop);
        }
    } catch (const std::exception&) {
        return E_UNEXPECTED;
    }
    return S_OK;
}

// ---- The drag of the window's own text

HRESULT DropSource::QueryContinueDrag(BOOL escape, DWORD keys) {
    if (escape) {
        return DRAGDROP_S_CANCEL;
    }
    return (keys & MK_LBUTTON) != 0 ? S_OK : DRAGDROP_S_DROP;
}

}  // namespace nolvetta::win32
