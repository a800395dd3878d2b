// Every text the program prints, stored once as the Shift_JIS (code page
// 932) bytes it writes. Each literal carries its readable spelling beside it;
// the console layer decides how those bytes reach a screen. Formats use only
// "%s" (bytes from outside the program, written unchanged) and "%d".
#ifndef QUORVANE_FRONT_REPORT_MESSAGES_H_
#define QUORVANE_FRONT_REPORT_MESSAGES_H_

#include <string_view>

namespace quorvane {

// The program name: in the box titles, the usage text and the marker.
inline constexpr std::string_view kProgramName = "Quorvane";

// The box title: program name, blank, code in parentheses.
inline constexpr std::string_view kTitle = "%s (%d)";

inline constexpr std::string_view kUsage =
    // Quorvane Ver2.0  ※使用は [自己責任] で！
    "Quorvane Ver2.0  \x81\xa6\x8eg\x97p\x82\xcd "
    "[\x8e\xa9\x8c\xc8\x90\xd3\x94"
    "C] \x82\xc5\x81I\n"
    "\n"
    "Usage:\n"
    // Quorvane ダイナミックDNSドメイン名 ホスト名
    "    Quorvane \x83_\x83"
    "C\x83i\x83~\x83"
    "b\x83NDNS\x83h\x83\x81\x83"
    "C\x83\x93\x96\xbc \x83z\x83X\x83g\x96\xbc\n"
    // HOSTS を書き換えます.
    "             HOSTS "
    "\x82\xf0\x8f\x91\x82\xab\x8a\xb7\x82\xa6\x82\xdc\x82\xb7.\n"
    // Quorvane   (パラメータ無し)
    "    Quorvane   (\x83p\x83\x89\x83\x81\x81[\x83^\x96\xb3\x82\xb5)\n"
    // HOSTS を元に戻します.
    "             HOSTS "
    "\x82\xf0\x8c\xb3\x82\xc9\x96\xdf\x82\xb5\x82\xdc\x82\xb7.\n";

// 読み込み中... %s\n
inline constexpr std::string_view kReading =
    "\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x92\x86... %s\n";

// 書き込み中... %s\n
inline constexpr std::string_view kWriting =
    "\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x92\x86... %s\n";

// %d 行追加しました.\n
inline constexpr std::string_view kLinesAdded =
    "%d \x8ds\x92\xc7\x89\xc1\x82\xb5\x82\xdc\x82\xb5\x82\xbd.\n";

// %d 行削除しました.\n
inline constexpr std::string_view kLinesDeleted =
    "%d \x8ds\x8d\xed\x8f\x9c\x82\xb5\x82\xdc\x82\xb5\x82\xbd.\n";

// Error 147, a list file cannot be opened or read: %sが開けません.
inline constexpr std::string_view kCannotOpenList =
    "%s\x82\xaa\x8aJ\x82\xaf\x82\xdc\x82\xb9\x82\xf1.";

// Error 159, a list-file line without two words:
// %s\nファイル=%s, 行＝%d, 書式が間違っています.
inline constexpr std::string_view kBadListLine =
    "%s\n\x83t\x83@\x83"
    "C\x83\x8b=%s, \x8ds\x81\x81%d, "
    "\x8f\x91\x8e\xae\x82\xaa\x8a\xd4\x88\xe1\x82\xc1\x82\xc4\x82\xa2\x82\xdc"
    "\x82\xb7.";

// Error 198: HOSTS が開けません.
inline constexpr std::string_view kCannotOpenHosts =
    "HOSTS \x82\xaa\x8aJ\x82\xaf\x82\xdc\x82\xb9\x82\xf1.";

// Error 208: HOSTS に書き込めません.
inline constexpr std::string_view kCannotWriteHosts =
    "HOSTS \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1.";

// A save cut short left a journal, but the hosts file was changed since: it
// is left as it is, and the journal kept aside, never to be applied.
// HOSTS は中断された書き込みの後で変更されていたので, 元に戻しません.
// 記録を残しました: %s\n
inline constexpr std::string_view kJournalKeptAside =
    "HOSTS \x82\xcd\x92\x86\x92"
    "f\x82\xb3\x82\xea\x82\xbd\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xcc"
    "\x8c\xe3\x82\xc5\x95\xcf\x8dX\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xbd"
    "\x82\xcc\x82\xc5, "
    "\x8c\xb3\x82\xc9\x96\xdf\x82\xb5\x82\xdc\x82\xb9\x82\xf1. "
    "\x8bL\x98^\x82\xf0\x8e"
    "c\x82\xb5\x82\xdc\x82\xb5\x82\xbd: %s\n";

// Error 224: winsock を初期化できません. [%d]
inline constexpr std::string_view kCannotStartNetwork =
    "winsock \x82\xf0\x8f\x89\x8a\xfa\x89\xbb\x82\xc5\x82\xab\x82\xdc\x82\xb9"
    "\x82\xf1. [%d]";

// Error 238: ipアドレスを取得できません. [%d]
inline constexpr std::string_view kCannotResolve =
    "ip\x83"
    "A\x83h\x83\x8c\x83X\x82\xf0\x8e\xe6\x93\xbe\x82\xc5\x82\xab\x82\xdc"
    "\x82\xb9\x82\xf1. [%d]";

// The fixed codes of the fatal errors.
enum ErrorCode {
  kErrorListOpen = 147,
  kErrorListLine = 159,
  kErrorHostsOpen = 198,
  kErrorHostsWrite = 208,
  kErrorNetworkStart = 224,
  kErrorResolve = 238,
};

}  // namespace quorvane

#endif  // QUORVANE_FRONT_REPORT_MESSAGES_H_
