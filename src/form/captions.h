#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "message/message.h"

namespace nolvetta::store {
struct FileLoad;
}

// Every text the window shows, in one place. "%1", "%2" … stand for what
// format() puts in.
namespace nolvetta::form::captions {

using Text = std::u16string_view;

inline constexpr Text AppTitle = u"!Nolvetta";
inline constexpr Text CommandLineDescription =
    u"メルマガの登録・解除ページを、あなたのメールアドレスでブラウザに開きます。\n"
    u"Opens the subscribe and unsubscribe pages of Japanese e-mail magazines in your browser.";
inline constexpr Text CommandLineFile =
    u"配信を停止するメール (.eml)。 A saved e-mail message to unsubscribe from.";
inline constexpr Text CommandLineSyntax = u"[FILE | --list [--tsv] PATH…]";

inline constexpr Text AddressFrame = u"メールアドレス";
inline constexpr Text DeletionAddressHint = u"削除用アドレス";
inline constexpr Text DeleteButton = u"削除";
inline constexpr Text IdLabel = u"ID";
inline constexpr Text UnsubscribeButton = u"メルマガ解除";
inline constexpr Text SubscribeButton = u"メルマガ登録";
inline constexpr Text CancelServiceNewsButton = u"自動配信連続解除";
inline constexpr Text RegisterServiceNewsButton = u"自動配信登録";
inline constexpr Text RegistrationAddressHint = u"登録用アドレス";
inline constexpr Text MoveButton = u"変更";
inline constexpr Text ShopFrame = u"楽天市場";
inline constexpr Text ShopLabel = u"各ＨＰのアドレスを入れるとメルマガ解除ページへ";
inline constexpr Text ShopNewsCancelButton = u"楽天市場ニュース解除ページへ";
inline constexpr Text ShopGoButton = u"Go";

// What a screen reader calls the controls whose captions do not say it.
inline constexpr Text ServiceFrameName = u"配信サービス";
inline constexpr Text ShopAddressName = u"ショップのアドレス";

inline constexpr Text MenuMain = u"メニュー";
inline constexpr Text MenuAlwaysOnTop = u"常に手前に表示";
inline constexpr Text MenuMagazine = u"メルマガ";
inline constexpr Text MenuAutoCancel = u"自動配信解除";
inline constexpr Text MenuNewsletterList = u"メルマガ一覧";
inline constexpr Text MenuOneClick = u"ワンクリック解除を使う";

inline constexpr Text ButtonOk = u"OK";
inline constexpr Text ButtonYes = u"はい";
inline constexpr Text ButtonNo = u"いいえ";
inline constexpr Text ButtonCancel = u"キャンセル";

inline constexpr Text InvalidId = u"mail ID が不正です";
// Follows InvalidId on a line of its own.
inline constexpr Text IdIsANumber = u"メルマガの ID を、0 ではない数字で入れてください。";
// Follows InvalidId or IdIsANumber. %1: the service, %2: its IDs' width
inline constexpr Text IdWidth = u"%1の ID は %2 桁までです。";
inline constexpr Text NoDeletionAddress =
    u"「メールアドレス」欄が空です。\nメルマガの登録と解除に使う、あなたのメールアドレスを"
    u"入れてください。";
inline constexpr Text NoRegistrationAddress =
    u"「登録用アドレス」欄が空です。\n変更では、メルマガを受け取る新しいアドレスをここに"
    u"入れてください。";
inline constexpr Text CannotStayOnTop =
    u"このデスクトップ (Wayland) では、ウィンドウを常に手前に表示できません。";
// %1: the address
inline constexpr Text ConfirmDelete = u"%1 を削除します\r\nよろしいですか？";
// %1: the browser command, %2: the URL
inline constexpr Text CannotStartBrowser = u"ブラウザを起動できません\n%1\n%2";
// %1: the text typed
inline constexpr Text CannotStoreAddress =
    u"%1\nこのアドレスは保存できない文字か、ファイルにそのまま残せない引用符と"
    u"カンマの組み合わせを含むため、追加できません。";
// The common causes of a failed file operation in the user's language.
inline constexpr std::pair<std::errc, Text> FileErrors[] = {
    {std::errc::no_space_on_device, u"ディスクの空き容量が足りません。"},
    {std::errc::permission_denied, u"アクセスが許可されていません。"},
    {std::errc::operation_not_permitted, u"操作が許可されていません。"},
    {std::errc::read_only_file_system, u"読み取り専用のドライブです。"},
    {std::errc::file_too_large, u"ファイルが大きすぎます。"},
    {std::errc::is_a_directory, u"同じ名前のフォルダーがあります。"},
    {std::errc::invalid_argument, u"ファイルではないものが置かれています。"},
    {std::errc::no_such_file_or_directory, u"フォルダーが見つかりません。"},
    {std::errc::filename_too_long, u"パスが長すぎます。"},
    {std::errc::device_or_resource_busy, u"ほかのプログラムが使用中です。"},
    {std::errc::io_error, u"ディスクの読み書きでエラーが起きました。"},
    {std::errc::not_a_directory, u"パスの途中に、フォルダーではないものがあります。"},
    {std::errc::too_many_files_open, u"開いているファイルが多すぎます。"},
    {std::errc::resource_unavailable_try_again,
     u"いまは使えません。しばらくしてから試してください。"},
    {std::errc::not_supported, u"この操作には対応していません。"},
    {std::errc::operation_not_supported, u"この操作には対応していません。"},
    {std::errc::text_file_busy, u"ほかのプログラムが使用中です。"},
    {std::errc::too_many_symbolic_link_levels, u"リンクが多すぎるか、輪になっています。"},
};
// Any other cause. %1: the system's number for it
inline constexpr Text OtherFileError = u"システムのエラーです（番号 %1）。";
// %1: the file, %2: the cause
inline constexpr Text CannotSave = u"%1を保存できませんでした。\n%2";
// %1: the file
inline constexpr Text NotSavedUnread = u"%1は起動時に読み込めなかったため、上書きしていません。";
// %1: the file
inline constexpr Text NotSavedUnstorable =
    u"%1を保存できませんでした。\nコードページ 932 (Shift_JIS) "
    u"で表せない文字を含むアドレスがあります。";
// %1: the file
inline constexpr Text NotSavedNotAFile =
    u"%1はファイルではないため、一覧をそこに保存しませんでした。";
// %1: the file, %2: the cause
inline constexpr Text NotSavedNoBackup =
    u"%1は一部を読み込めなかったファイルですが、控えを作れないため、上書きしていません。\n%2";
// %1: the file
inline constexpr Text NotSavedReadOnly =
    u"%1は読み取り専用のため、一覧をそこに保存しませんでした。";
// %1: the folder
inline constexpr Text FolderNotWritable =
    u"%1には書き込めません。\nこのまま使うと、終了するときに一覧を保存できません。";
// %1: what went wrong
inline constexpr Text SaveInterrupted = u"終了時の保存を最後まで行えませんでした。\n%1";
// %1: the file, %2: the cause
inline constexpr Text CannotRead =
    u"%1を読み込めませんでした。\nこのファイルは終了時にも上書きしません。\n%2";
// %1: the file
inline constexpr Text NotAFile =
    u"%1はファイルではありません。\n読み込まず、終了時にも置き換えません。";
// %1: the file
inline constexpr Text HiddenFile =
    u"%1は隠しファイルかシステムファイルです。\n読み込まず、終了時にも置き換えません。";
// %1: the file, %2: the backup copy
inline constexpr Text PartlyRead =
    u"%1の一部を読み込めませんでした。\n読み込めた分だけを使います。元のファイルは%2"
    u"として残します。";

// Whole messages. %1: the message (a file's name in brackets, or DroppedMessage)
inline constexpr Text DroppedMessage = u"ドロップされたメール";
inline constexpr Text NoWayToUnsubscribe = u"%1には、配信を停止する方法が見つかりませんでした。";
// Follows NoWayToUnsubscribe on a line of its own. %1: the charset
inline constexpr Text UnreadableCharset = u"本文の文字コード %1 を読めません。";
// Follows NoWayToUnsubscribe on a line of its own. %1: the longest address taken
inline constexpr Text AddressTooLong =
    u"配信停止のアドレスが %1 文字を超えるため、ブラウザに渡しません。";
inline constexpr Text FileMissing = u"%1が見つかりません。";
inline constexpr Text NotAMessageFile = u"%1はファイルではないため、メールとして読めません。";
inline constexpr Text NotAMessage = u"%1はメールではありません。";
inline constexpr Text OutlookMessage =
    u"%1は Outlook 独自の形式 (.msg) のメールのため、読めません。\n"
    u"Outlook でメールを開き、「ファイル」→「名前を付けて保存」で .eml 形式を選んで"
    u"保存したファイルなら読めます。メルマガの本文を選んで ID の欄にドロップしても解除できます。";
// %1: the message, %2: the limit in MB
inline constexpr Text MessageTooLarge =
    u"%1は %2 MB を超えるか、ヘッダーか 1 行が長すぎるため、メールとして読みません。";
// %1: the message, %2: the cause
inline constexpr Text CannotReadMessage = u"%1を読み込めませんでした。\n%2";
// %1: the message, or what would have read messages
inline constexpr Text CannotReadMessages =
    u"%1を読めません。\nこのシステムにはメールを読む部品 (GMime 3) がありません。";
// %1: the http address
inline constexpr Text ConfirmHttp =
    u"このメールの配信停止のページは暗号化されていない http のアドレスです。\n%1\n開きますか？";
// %1: the mailto address
inline constexpr Text CannotStartMailProgram = u"メールソフトを起動できません\n%1";
// A message given from outside. %1: the message, %2: what would open
inline constexpr Text ConfirmOutside = u"%1の配信を停止します。\n%2\nよろしいですか？";
// Several messages at once. %1: how many, %2: a line for each
inline constexpr Text ConfirmSeveral = u"%1 通のメールの配信を停止します。\n%2\nよろしいですか？";
// Ends the list of ConfirmSeveral. %1: how many more
inline constexpr Text AndMore = u"ほか %1 通";
// A line of ConfirmSeveral for a message that offers no way out.
inline constexpr Text NoWay = u"（停止する方法なし）";
// What a question names. %1: a mail's recipients, %2: its subject
inline constexpr Text MailTarget = u"メール %1";
inline constexpr Text MailSubjectTarget = u"メール %1（件名: %2）";
// %1: a page's scheme and host, in its "xn--" form
inline constexpr Text ForeignHost =
    u"%1（英字以外の文字を含むドメイン名です。よく似た別のドメインかもしれません）";
// %1: the service, %2: the magazine ID
inline constexpr Text MagazineWay = u"%1の ID %2 の解除ページ";
// %1: the mailbox, %2: how many of its messages
inline constexpr Text UnreadableMessages = u"%1の %2 通のメールは読めませんでした。";

// One running copy per data folder. %1: the folder
inline constexpr Text FolderInUse =
    u"%1は、ほかのユーザーかほかのコンピューターの Nolvetta が使っています。\n"
    u"同じフォルダーを二つの Nolvetta で使うと一覧が失われるため、起動しません。";
// %1: the folder
inline constexpr Text CopyDoesNotAnswer =
    u"%1を使っている Nolvetta が応答しません。\n"
    u"そのウィンドウを閉じてから、もう一度起動してください。";
// %1: the lock file
inline constexpr Text LockLeftBehind =
    u"%1を消せないため、起動できません。\n前に動いていた Nolvetta が残したファイルです。"
    u"このファイルを削除してから、もう一度起動してください。";
inline constexpr Text CannotReceive =
    u"ほかの起動からメールを受け取る準備ができませんでした。\nこのウィンドウはそのまま使えます。";
// The system gave no window at start-up.
inline constexpr Text CannotCreateWindow = u"ウィンドウを作れませんでした。";

// The newsletter list.
inline constexpr Text CommandLineList =
    u"メルマガ一覧を開き、指定したメールの保存場所を読み込みます。 Opens the newsletter list "
    u"on the given mail files and folders.";
inline constexpr Text CommandLineTsv =
    u"--list と使い、ウィンドウを開かずに一覧をタブ区切りで標準出力に書きます。 With --list, "
    u"prints the list as tab-separated lines instead of opening a window.";
inline constexpr Text ListSources = u"読み込む場所";
inline constexpr Text ListAllSources = u"見つかったすべての場所";
inline constexpr Text ListChooseFile = u"ファイルを選ぶ…";
inline constexpr Text ListChooseFolder = u"フォルダーを選ぶ…";
inline constexpr Text ListScan = u"読み込む";
inline constexpr Text ListCancel = u"中止";
inline constexpr Text ListLeave = u"解除";
inline constexpr Text ListFilter = u"絞り込み";
inline constexpr Text ListSort = u"並べ替え";
// What a screen reader calls the parts that show no caption.
inline constexpr Text ListRows = u"見つかったメルマガ";
inline constexpr Text ListProgress = u"読み込みの進み具合";
// The captions above with the key that reaches each, as both toolkits mark one.
inline constexpr Text ListSourcesKey = u"読み込む場所(&P):";
inline constexpr Text ListScanKey = u"読み込む(&R)";
inline constexpr Text ListCancelKey = u"中止(&C)";
inline constexpr Text ListLeaveKey = u"解除(&U)";
inline constexpr Text ListFilterKey = u"絞り込み(&F):";
inline constexpr Text ListSortKey = u"並べ替え(&S)";
// An entry of the sort menu. %1: the column, %2: its key
inline constexpr Text ListSortEntry = u"%1(&%2)";
inline constexpr Text ListColumns[] = {u"差出人",     u"最新の件名", u"通数",
                                       u"最新の日付", u"解除の方法", u"届いたアドレス",
                                       u"解除の記録"};
inline constexpr Text WayMail = u"メール";
// %1: the service, %2: the magazine ID
inline constexpr Text WayService = u"%1 ID %2";
// A newsletter whose messages lead to more than one host. %1: the way
inline constexpr Text WayMixed = u"%1（メールによって異なる）";
// %1: the date it was left
inline constexpr Text LeftAt = u"解除 %1";
// %1: the date it was left, %2: its latest message's
inline constexpr Text StillComing = u"届き続けています（解除 %1、最新 %2）";
// %1: how many newsletters, %2: how many messages
inline constexpr Text ListFound = u"%1 件のメルマガ（%2 通のメールから）";
// A filter hides some. %1: how many newsletters, %2: how many show, %3: how many messages
inline constexpr Text ListFoundFiltered = u"%1 件のメルマガのうち %2 件を表示（%3 通のメールから）";
// Follows ListFound.
inline constexpr Text ListCancelled = u"（中止しました）";
// Follows ListFound. %1: how many files
inline constexpr Text ListUnreadableFiles = u"　読めなかったファイル: %1";
// Follows ListFound. %1: how many messages
inline constexpr Text ListTooLarge = u"　大きすぎるため読まなかったメール: %1 通";
// Follows ListFound. %1: how many links
inline constexpr Text ListSkippedLinks = u"　たどらなかったリンク: %1";
// Follows ListFound. %1: the path
inline constexpr Text ListMissing = u"　%1が見つかりません";
inline constexpr Text ListScanning = u"読み込んでいます…";
// %1: how many newsletters, %2: pages in the browser, %3: mails, %4: a line for each
inline constexpr Text ConfirmList =
    u"%1 件のメルマガの配信を停止します。\nブラウザで %2 ページ、メールソフトで %3 "
    u"通を開きます。\n%4\nよろしいですか？";
// A line of ConfirmList. %1: the sender, %2: the way
inline constexpr Text ListLine = u"%1: %2";
// A newsletter whose messages disagree, asked about on its own. %1: the
// sender, %2: a line for each host and sender, %3: what its latest message offers
inline constexpr Text ConfirmMixed =
    u"%1 のメルマガのメールは、配信停止の先か差出人のドメインがメールによって異なります。"
    u"ほかの差出人のメールが混じっているかもしれません。\n%2\n最新のメールの先を開きますか？\n%3";
// Leaving by one request (RFC 8058). %1: the message, %2: where it goes
inline constexpr Text ConfirmOneClick =
    u"%1の配信を停止します。\nNolvetta が %2 へ解除のリクエストを送ります（ページは開きません）。"
    u"\nよろしいですか？";
// %1: where it went
inline constexpr Text OneClickSent = u"%1 へ解除のリクエストを送り、受け付けられました。";
// %1: where it went, %2: why it did not arrive
inline constexpr Text OneClickFailed =
    u"%1 への解除のリクエストは届きませんでした。\n%2\n配信停止のページをブラウザで開きますか？";
// Why a request did not arrive. %1: the answer's status, or the library's words
inline constexpr Text OneClickRefused = u"サーバーがエラー %1 を返しました。";
inline constexpr Text OneClickRedirected = u"サーバーが別のアドレスへ転送しようとしました (%1)。";
inline constexpr Text OneClickTimedOut = u"時間内に応答がありませんでした。";
inline constexpr Text OneClickCertificate =
    u"サーバーの証明書を確かめられませんでした。なりすましのおそれがあります。";
inline constexpr Text OneClickNotSent = u"送れませんでした（%1）。";
inline constexpr Text OneClickCancelled = u"中止しました。";
inline constexpr Text OneClickUnavailable = u"このシステムでは解除のリクエストを送れません。";
// The list. %1: how many newsletters, %2: by one request, %3: pages in the
// browser, %4: mails, %5: a line for each
inline constexpr Text ConfirmListOneClick =
    u"%1 件のメルマガの配信を停止します。\n%2 件は Nolvetta が解除のリクエストを送ります"
    u"（ページは開きません）。ブラウザで %3 ページ、メールソフトで %4 通を開きます。\n%5\n"
    u"よろしいですか？";
// What a line of ConfirmListOneClick names. %1: where the request goes
inline constexpr Text OneClickTarget = u"解除のリクエスト → %1";
inline constexpr Text ListChecking = u"署名を確かめています…";
inline constexpr Text ListSending = u"解除のリクエストを送っています…";
// %1: how many
inline constexpr Text ListOneClickDone = u"%1 件のメルマガに解除のリクエストを送りました。";
// %1: how many, %2: a line for each
inline constexpr Text ListOneClickFailed =
    u"%1 件のメルマガは解除のリクエストが届きませんでした。\n%2\n"
    u"それぞれの配信停止のページをブラウザで開きますか？";
// A line of ListOneClickFailed. %1: the sender, %2: where it went, %3: why
inline constexpr Text FailedLine = u"%1: %2 %3";
// A line of ConfirmMixed. %1: the sender's domain, %2: the way
inline constexpr Text MixedLine = u"%1 から: %2";
// The list printed for a script, when there was nothing to read.
inline constexpr Text ListNothingRead = u"読み込めるメールがありませんでした。";
// The mail on a server. %1: the account (user@host), and in ServerNoFolder
// %2: the folder.
inline constexpr Text ServerInsecure =
    u"%1 はパスワードを暗号化せずに送る設定のため、読み込みません。"
    u"SSL/TLS か STARTTLS を使う設定にしてください。";
inline constexpr Text ServerNotFound = u"%1 のサーバーが見つかりません。";
inline constexpr Text ServerRefused = u"%1 のサーバーにつながりません。";
inline constexpr Text ServerNoTls =
    u"%1 のサーバーは暗号化 (TLS) に応じないため、パスワードを送らずに接続を閉じました。";
inline constexpr Text ServerCertificate =
    u"%1 のサーバーの証明書を確かめられないため、接続しませんでした。"
    u"なりすましのおそれがあります。";
inline constexpr Text ServerLogin = u"%1 にログインできません。ユーザー名かパスワードが違います。";
inline constexpr Text ServerTimedOut = u"%1 のサーバーから応答がありません。";
inline constexpr Text ServerConnectionLost = u"%1 のサーバーとの接続が切れました。";
inline constexpr Text ServerMalformed = u"%1 のサーバーの応答を読めません。";
inline constexpr Text ServerTooLarge =
    u"%1 のサーバーが求めていない大きさの応答を送ってきたため、読むのをやめました。";
inline constexpr Text ServerNoFolder = u"%1 にフォルダー「%2」がありません。";
inline constexpr Text ServerUnavailable = u"このシステムでは IMAP サーバーのメールを読めません。";
// Follows a failure above: what was read until then shows.
inline constexpr Text ServerRowsSoFar = u"それまでに読めたメールは一覧にあります。";
// Follows a failure above. %1: the server's or the library's own words
inline constexpr Text ServerSaid = u"（%1）";
// %1: the account
inline constexpr Text PasswordNotKept =
    u"%1 のパスワードを保存できませんでした。デスクトップのパスワード保管庫"
    u"（GNOME キーリング、KWallet など）が動いていません。次に読み込むときにもう一度たずねます。";
// %1: the list of servers, %2: why
inline constexpr Text ServersNotSaved = u"%1にサーバーを保存できませんでした。\n%2";
// The list's IMAP accounts. %1: the account
inline constexpr Text ListServer = u"IMAP サーバー: %1";
inline constexpr Text ListAddServer = u"IMAP サーバーを追加…";
inline constexpr Text ServerDialogTitle = u"IMAP サーバーを追加";
inline constexpr Text ServerHostKey = u"サーバー(&S):";
inline constexpr Text ServerPortKey = u"ポート(&P):";
inline constexpr Text ServerSecurityKey = u"暗号化(&E):";
inline constexpr Text ServerSecurities[] = {u"SSL/TLS", u"STARTTLS"};
inline constexpr Text ServerUserKey = u"ユーザー名(&U):";
// %1: the account
inline constexpr Text PasswordTitle = u"パスワード";
inline constexpr Text PasswordPrompt =
    u"%1 のパスワード:\n（サーバーとの接続は暗号化され、証明書を確かめてから送ります）";
inline constexpr Text RememberPasswordKey = u"デスクトップのパスワード保管庫に保存する(&R)";
// A server address on the command line that is not one. %1: the argument
inline constexpr Text ServerAddressInvalid =
    u"%1 はサーバーのアドレスとして読めません。imaps://ユーザー名@ホスト[:ポート][/フォルダー] "
    u"の形で指定してください。";
// %1: the account
inline constexpr Text ServerNoPassword =
    u"%1 のパスワードがありません。--password-stdin で標準入力から渡してください。";
inline constexpr Text CommandLinePasswordStdin =
    u"サーバーのパスワードを標準入力から 1 行ずつ読みます。 Reads each server's password "
    u"from standard input, one line each.";
// %1: the sender
inline constexpr Text NoAddressFor =
    u"%1 のメルマガは、どのアドレスに届いたかわからないため、解除ページを開けません。";
// %1: the sender, %2: the ID
inline constexpr Text InvalidIdFor =
    u"%1 のメルマガの ID %2 が不正なため、解除ページを開けません。";
// %1: the record file, %2: why
inline constexpr Text RecordNotSaved = u"%1に解除の記録を残せませんでした。\n%2";
// %1: what went wrong, as the system said it
inline constexpr Text Failed = u"思わぬエラーのため、操作を最後まで行えませんでした。\n%1";
inline constexpr Text UnknownFailure = u"原因はわかりません。";

// `pattern` with %1 … %9 replaced by `values`, in one pass: a value that holds
// "%2" stays as it is.
std::u16string format(Text pattern, std::initializer_list<Text> values);

// A file or folder as messages name it, in the brackets Japanese sets names in.
std::u16string named(const std::filesystem::path& file);

// Why a file operation failed, in the user's language where it can be.
std::u16string cause(const std::error_code& code);

// What kept a data file from being read in full; empty when nothing did.
// `backup`: where a damaged file's copy is kept; with none, what was read
// before the damage is all there is to say.
std::u16string loadProblem(const store::FileLoad& load, const std::filesystem::path& file,
                           const std::filesystem::path& backup);

// The lines of a question about `count` things, one each by `line`: ten at
// most, then how many more, for more would not fit on a screen.
std::u16string listed(std::size_t count, const std::function<std::u16string(std::size_t)>& line);

}  // namespace nolvetta::form::captions
