#pragma once

#include <QFile>
#include <QString>
#include <filesystem>
#include <string>
#include <string_view>
#include <type_traits>

// Between Qt's texts and the core's: both are UTF-16, so nothing is lost.
namespace nolvetta::ui {

inline QString toQt(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The text in place, for texts too long to copy: a drop may bring megabytes.
inline std::u16string_view viewOf(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// Paths as the system gave them, byte for byte, whatever their encoding.
template <typename Path = std::filesystem::path>
QString toQtPath(const Path& path) {
    if constexpr (std::is_same_v<typename Path::value_type, wchar_t>) {
        return QString::fromStdWString(path.native());
    } else {
        return QFile::decodeName(QByteArray::fromStdString(path.native()));
    }
}

template <typename Path = std::filesystem::path>
Path nativePath(const QString& path) {
    if constexpr (std::is_same_v<typename Path::value_type, wchar_t>) {
        return path.toStdWString();
    } else {
        return QFile::encodeName(path).toStdString();
    }
}

}  // namespace nolvetta::ui
