#pragma once

#include <QString>
#include <system_error>
#include <utility>

// Every text the window shows, in one place.
namespace nolvetta::ui::captions {

inline const QString AppTitle = QStringLiteral("!Nolvetta");
inline const QString CommandLineDescription = QStringLiteral(
    "メルマガの登録・解除ページを、あなたのメールアドレスでブラウザに開きます。\n"
    "Opens the subscribe and unsubscribe pages of Japanese e-mail magazines in your browser.");

inline const QString CommandLineFile =
    QStringLiteral("配信を停止するメール (.eml)。 A saved e-mail message to unsubscribe from.");

inline const QString Frame1 = QStringLiteral("メールアドレス");
inline const QString Combo1Initial = QStringLiteral("削除用アドレス");
inline const QString Command3 = QStringLiteral("削除");
inline const QString Label1 = QStringLiteral("ID");
inline const QString Command4 = QStringLiteral("メルマガ解除");
inline const QString Command1 = QStringLiteral("メルマガ登録");
inline const QString Command6 = QStringLiteral("自動配信連続解除");
inline const QString Command5 = QStringLiteral("自動配信登録");
inline const QString Combo2Initial = QStringLiteral("登録用アドレス");
inline const QString Command8 = QStringLiteral("変更");
inline const QString Frame3 = QStringLiteral("楽天市場");
inline const QString Label2 = QStringLiteral("各ＨＰのアドレスを入れるとメルマガ解除ページへ");
inline const QString Command2 = QStringLiteral("楽天市場ニュース解除ページへ");
inline const QString Command7 = QStringLiteral("Go");

inline const QString MenuMain = QStringLiteral("メニュー");
inline const QString MenuAlwaysOnTop = QStringLiteral("常に手前に表示");
inline const QString MenuMagazine = QStringLiteral("メルマガ");
inline const QString MenuAutoCancel = QStringLiteral("自動配信解除");
inline const QString MenuWeeklyMag2 = QStringLiteral("ウィークリーまぐまぐ");
inline const QString MenuMelmaNews = QStringLiteral("melma!ニュース");
inline const QString MenuTodaysMelma = QStringLiteral("今日のmelma!");
inline const QString MenuKapuNews = QStringLiteral("カプライトニュース");

inline const QString ButtonOk = QStringLiteral("OK");
inline const QString ButtonYes = QStringLiteral("はい");
inline const QString ButtonNo = QStringLiteral("いいえ");

inline const QString InvalidId = QStringLiteral("mail ID が不正です");
inline const QString CannotStayOnTop =
    QStringLiteral("このデスクトップ (Wayland) では、ウィンドウを常に手前に表示できません。");
// %1: the address
inline const QString ConfirmDelete = QStringLiteral("%1 を削除します\r\nよろしいですか？");
// %1: the browser command, %2: the URL
inline const QString CannotStartBrowser = QStringLiteral("ブラウザを起動できません\n%1\n%2");
// %1: the text typed
inline const QString CannotStoreAddress = QStringLiteral(
    "%1\nこのアドレスは保存できない文字か、ファイルにそのまま残せない引用符と"
    "カンマの組み合わせを含むため、追加できません。");
// The common causes of a failed file operation in the user's language; any
// other is shown in the system's own words.
inline const std::pair<std::errc, QString> FileErrors[] = {
    {std::errc::no_space_on_device, QStringLiteral("ディスクの空き容量が足りません。")},
    {std::errc::permission_denied, QStringLiteral("アクセスが許可されていません。")},
    {std::errc::operation_not_permitted, QStringLiteral("操作が許可されていません。")},
    {std::errc::read_only_file_system, QStringLiteral("読み取り専用のドライブです。")},
    {std::errc::file_too_large, QStringLiteral("ファイルが大きすぎます。")},
    {std::errc::is_a_directory, QStringLiteral("同じ名前のフォルダーがあります。")},
    {std::errc::invalid_argument, QStringLiteral("ファイルではないものが置かれています。")},
    {std::errc::no_such_file_or_directory, QStringLiteral("フォルダーが見つかりません。")},
    {std::errc::filename_too_long, QStringLiteral("パスが長すぎます。")},
    {std::errc::device_or_resource_busy, QStringLiteral("ほかのプログラムが使用中です。")},
    {std::errc::io_error, QStringLiteral("ディスクの読み書きでエラーが起きました。")},
};
// %1: the file, %2: the system's cause
inline const QString CannotSave = QStringLiteral("%1 を保存できませんでした。\n%2");
// %1: the file
inline const QString NotSavedUnread =
    QStringLiteral("%1 は起動時に読み込めなかったため、上書きしていません。");
// %1: the file
inline const QString NotSavedUnstorable = QStringLiteral(
    "%1 を保存できませんでした。\nコードページ 932 (Shift_JIS) "
    "で表せない文字を含むアドレスがあります。");
// %1: the file
inline const QString NotSavedNotAFile =
    QStringLiteral("%1 はファイルではないため、一覧をそこに保存しませんでした。");
// %1: the file, %2: the system's cause
inline const QString NotSavedNoBackup = QStringLiteral(
    "%1 は一部を読み込めなかったファイルですが、控えを作れないため、上書きしていません。\n%2");
// %1: what went wrong
inline const QString SaveInterrupted =
    QStringLiteral("終了時の保存を最後まで行えませんでした。\n%1");
// %1: the file, %2: the system's cause
inline const QString CannotRead =
    QStringLiteral("%1 を読み込めませんでした。\nこのファイルは終了時にも上書きしません。\n%2");
// %1: the file
inline const QString NotAFile =
    QStringLiteral("%1 はファイルではありません。\n読み込まず、終了時にも置き換えません。");
// %1: the file
inline const QString HiddenFile = QStringLiteral(
    "%1 は隠しファイルかシステムファイルです。\n読み込まず、終了時にも置き換えません。");
// %1: the file, %2: the backup copy
inline const QString PartlyRead = QStringLiteral(
    "%1 の一部を読み込めませんでした。\n読み込めた分だけを使います。元のファイルは %2 "
    "として残します。");

// Whole messages. %1: the message (a file's path, or "ドロップされたメール")
inline const QString DroppedMessage = QStringLiteral("ドロップされたメール");
inline const QString NoWayToUnsubscribe =
    QStringLiteral("%1 には、配信を停止する方法が見つかりませんでした。");
// Follows NoWayToUnsubscribe on a line of its own. %1: the charset
inline const QString UnreadableCharset = QStringLiteral("本文の文字コード %1 を読めません。");
inline const QString NotAMessage = QStringLiteral("%1 はメールではありません。");
inline const QString MessageTooLarge =
    QStringLiteral("%1 は 32 MB を超えるため、メールとして読みません。");
// %1: the message, %2: the system's cause
inline const QString CannotReadMessage = QStringLiteral("%1 を読み込めませんでした。\n%2");
inline const QString CannotReadMessages =
    QStringLiteral("%1 を読めません。\nこのシステムにはメールを読む部品 (GMime 3) がありません。");
// %1: the http address
inline const QString ConfirmHttp = QStringLiteral(
    "このメールの配信停止のページは暗号化されていない http のアドレスです。\n%1\n開きますか？");
// %1: the mailto address
inline const QString CannotStartMailProgram = QStringLiteral("メールソフトを起動できません\n%1");

}  // namespace nolvetta::ui::captions
