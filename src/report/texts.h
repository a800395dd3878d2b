// Every text the program prints, defined once per language: Japanese as the
// Shift_JIS (code page 932) bytes it writes, with the readable spelling
// beside it, and English in plain ASCII. The console layer decides how those
// bytes reach a screen; language.h decides which language a run speaks.
// Formats use only "%s" (bytes from outside the program, written unchanged)
// and "%d", and both spellings of a text take the same arguments in the same
// order.
#ifndef QUORVANE_REPORT_TEXTS_H_
#define QUORVANE_REPORT_TEXTS_H_

#include <string_view>

#include "report/language.h"

namespace quorvane {

// One text in both languages.
struct Text {
  std::string_view japanese;  // Shift_JIS bytes
  std::string_view english;   // ASCII

  std::string_view In(Language language) const {
    return language == Language::kJapanese ? japanese : english;
  }
};

// The program name: in the box titles, the usage text and the marker.
inline constexpr std::string_view kProgramName = "Quorvane";

// The box title: program name, blank, code in parentheses.
inline constexpr std::string_view kTitle = "%s (%d)";

// What --version prints.
inline constexpr std::string_view kVersion = "Quorvane 2.0\n";

inline constexpr Text kUsage = {
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
    "\x82\xf0\x8c\xb3\x82\xc9\x96\xdf\x82\xb5\x82\xdc\x82\xb7.\n",
    "Quorvane Ver2.0  Use at your own risk!\n"
    "\n"
    "Usage:\n"
    "    Quorvane DYNAMIC-DNS-DOMAIN HOSTNAME\n"
    "             Rewrites HOSTS.\n"
    "    Quorvane   (no parameters)\n"
    "             Restores HOSTS.\n"};

// What is wrong with a malformed command line: the first line on standard
// error, before the usage text. "%s" is the argument as given.
inline constexpr Text kUsageUnknownOption = {
    // Quorvane: 不明なオプション %s です (--help を参照).\n
    "Quorvane: \x95s\x96\xbe\x82\xc8\x83I\x83v\x83V\x83\x87\x83\x93 %s "
    "\x82\xc5\x82\xb7 (--help \x82\xf0\x8eQ\x8f\xc6).\n",
    "Quorvane: unknown option %s (see --help).\n"};
inline constexpr Text kUsageOptionAfterPairs = {
    // Quorvane: オプション %s はペアの前に置いてください (--help を参照).\n
    "Quorvane: \x83I\x83v\x83V\x83\x87\x83\x93 %s \x82\xcd\x83y\x83"
    "A\x82\xcc\x91O\x82\xc9\x92u\x82\xa2\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82"
    "\xa2 (--help \x82\xf0\x8eQ\x8f\xc6).\n",
    "Quorvane: the option %s must come before the pairs (see --help).\n"};
inline constexpr Text kUsageBadTimeout = {
    // Quorvane: --timeout には 1 から 86400 までの秒数を指定してください. %s
    // は使えません (--help を参照).\n
    "Quorvane: --timeout \x82\xc9\x82\xcd 1 \x82\xa9\x82\xe7 86400 "
    "\x82\xdc\x82\xc5\x82\xcc\x95"
    "b\x90\x94\x82\xf0\x8ew\x92\xe8\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82"
    "\xa2. %s \x82\xcd\x8eg\x82\xa6\x82\xdc\x82\xb9\x82\xf1 (--help "
    "\x82\xf0\x8eQ\x8f\xc6).\n",
    "Quorvane: --timeout takes seconds from 1 to 86400, not %s (see "
    "--help).\n"};
inline constexpr Text kUsageNoListFile = {
    // Quorvane: @ の後にリストファイルがありません (--help を参照).\n
    "Quorvane: @ \x82\xcc\x8c\xe3\x82\xc9\x83\x8a\x83X\x83g\x83t\x83@\x83"
    "C\x83\x8b\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1 (--help "
    "\x82\xf0\x8eQ\x8f\xc6).\n",
    "Quorvane: @ without a list file (see --help).\n"};
inline constexpr Text kUsageNoHostName = {
    // Quorvane: ドメイン %s の後にホスト名がありません (--help を参照).\n
    "Quorvane: \x83h\x83\x81\x83"
    "C\x83\x93 %s "
    "\x82\xcc\x8c\xe3\x82\xc9\x83z\x83X\x83g\x96\xbc\x82\xaa\x82\xa0\x82\xe8"
    "\x82\xdc\x82\xb9\x82\xf1 (--help \x82\xf0\x8eQ\x8f\xc6).\n",
    "Quorvane: the domain %s has no host name after it (see --help).\n"};
inline constexpr Text kUsageNotAHostName = {
    // Quorvane: %s はホスト名になりません. 空白, 制御文字, # は使えません
    // (--help を参照).\n
    "Quorvane: %s "
    "\x82\xcd\x83z\x83X\x83g\x96\xbc\x82\xc9\x82\xc8\x82\xe8\x82\xdc\x82\xb9"
    "\x82\xf1. \x8b\xf3\x94\x92, \x90\xa7\x8c\xe4\x95\xb6\x8e\x9a, # "
    "\x82\xcd\x8eg\x82\xa6\x82\xdc\x82\xb9\x82\xf1 (--help "
    "\x82\xf0\x8eQ\x8f\xc6).\n",
    "Quorvane: %s is no host name: it holds a blank, a control byte or a # "
    "(see --help).\n"};
inline constexpr Text kUsageSystemName = {
    // Quorvane: %s はこのシステム自身の名前なので固定できません (--help
    // を参照).\n
    "Quorvane: %s \x82\xcd\x82\xb1\x82\xcc\x83V\x83X\x83"
    "e\x83\x80\x8e\xa9\x90g\x82\xcc\x96\xbc\x91O\x82\xc8\x82\xcc\x82\xc5\x8c"
    "\xc5\x92\xe8\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1 (--help "
    "\x82\xf0\x8eQ\x8f\xc6).\n",
    "Quorvane: %s is a name of this system itself and is never pinned (see "
    "--help).\n"};
inline constexpr Text kUsageFamiliesWithoutPairs = {
    // Quorvane: アドレスファミリーの指定にはペアが必要です (--help を参照).\n
    "Quorvane: \x83"
    "A\x83h\x83\x8c\x83X\x83t\x83@\x83~\x83\x8a\x81["
    "\x82\xcc\x8ew\x92\xe8\x82\xc9\x82\xcd\x83y\x83"
    "A\x82\xaa\x95K\x97v\x82\xc5\x82\xb7 (--help \x82\xf0\x8eQ\x8f\xc6).\n",
    "Quorvane: a choice of families needs pairs (see --help).\n"};
inline constexpr Text kUsageNoPairs = {
    // Quorvane: リストファイルにペアがありません (--help を参照).\n
    "Quorvane: \x83\x8a\x83X\x83g\x83t\x83@\x83"
    "C\x83\x8b\x82\xc9\x83y\x83"
    "A\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1 (--help "
    "\x82\xf0\x8eQ\x8f\xc6).\n",
    "Quorvane: the list files hold no pair (see --help).\n"};

// With --prune, a list file that holds no pair: the declared state is that
// no name is pinned.
inline constexpr Text kNoPairsIn = {
    // %s にペアがありません. 固定する名前はありません.\n
    "%s \x82\xc9\x83y\x83"
    "A\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1. "
    "\x8c\xc5\x92\xe8\x82\xb7\x82\xe9\x96\xbc\x91O\x82\xcd\x82\xa0\x82\xe8\x82"
    "\xdc\x82\xb9\x82\xf1.\n",
    "%s: no pairs; no name is pinned.\n"};

inline constexpr Text kUsageNoValue = {
    // Quorvane: %s には値が必要です (--help を参照).\n
    "Quorvane: %s \x82\xc9\x82\xcd\x92l\x82\xaa\x95K\x97v\x82\xc5\x82\xb7 "
    "(--help \x82\xf0\x8eQ\x8f\xc6).\n",
    "Quorvane: %s needs a value (see --help).\n"};

// Two pairs give one host name different domains: the name, both domains,
// and the one followed (the last).
inline constexpr Text kNameGivenTwice = {
    // 警告: %s は %s と %s の両方に指定されています. 後の %s を使います.\n
    "\x8cx\x8d\x90: %s \x82\xcd %s \x82\xc6 %s "
    "\x82\xcc\x97\xbc\x95\xfb\x82\xc9\x8ew\x92\xe8\x82\xb3\x82\xea\x82\xc4\x82"
    "\xa2\x82\xdc\x82\xb7. \x8c\xe3\x82\xcc %s "
    "\x82\xf0\x8eg\x82\xa2\x82\xdc\x82\xb7.\n",
    "warning: %s is given both %s and %s; the last, %s, is followed.\n"};

// What --help adds after the usage text.
inline constexpr Text kOptions = {
    // \nペアと @リストファイル を続けて指定できます. ペアの前のオプション:\n
    "\n\x83y\x83"
    "A\x82\xc6 @\x83\x8a\x83X\x83g\x83t\x83@\x83"
    "C\x83\x8b \x82\xf0\x91\xb1\x82\xaf\x82\xc4\x8ew\x92\xe8\x82\xc5\x82\xab"
    "\x82\xdc\x82\xb7. \x83y\x83"
    "A\x82\xcc\x91O\x82\xcc\x83I\x83v\x83V\x83\x87\x83\x93:\n"
    // --check, -n  書き込みません. 終了コード 0: 最新, 1: 変更が必要,
    // 2: エラー.\n
    "    --check, -n  "
    "\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xdc\x82\xb9\x82\xf1. "
    "\x8fI\x97\xb9\x83R\x81[\x83h 0: \x8d\xc5\x90V, 1: "
    "\x95\xcf\x8dX\x82\xaa\x95K\x97v, 2: \x83G\x83\x89\x81[.\n"
    // -4, -6, -46  IPv4, IPv6, 両方のアドレスを使います. 既定: -4.\n
    "    -4, -6, -46  IPv4, IPv6, \x97\xbc\x95\xfb\x82\xcc\x83"
    "A\x83h\x83\x8c\x83X\x82\xf0\x8eg\x82\xa2\x82\xdc\x82\xb7. "
    "\x8a\xf9\x92\xe8: -4.\n"
    // --timeout 秒 名前解決の制限時間 (全体). 既定: 30.\n
    "    --timeout \x95"
    "b \x96\xbc\x91O\x89\xf0\x8c\x88\x82\xcc\x90\xa7\x8c\xc0\x8e\x9e\x8a\xd4 "
    "(\x91S\x91\xcc). \x8a\xf9\x92\xe8: 30.\n"
    // --hosts-file ファイル  HOSTS の代わりにこのファイルを書き換えます.\n
    "    --hosts-file \x83t\x83@\x83"
    "C\x83\x8b  HOSTS "
    "\x82\xcc\x91\xe3\x82\xed\x82\xe8\x82\xc9\x82\xb1\x82\xcc\x83t\x83@\x83"
    "C\x83\x8b\x82\xf0\x8f\x91\x82\xab\x8a\xb7\x82\xa6\x82\xdc\x82\xb7.\n"
    // --on-change コマンド   ファイルを書き換えた後に実行します.\n
    "    --on-change \x83R\x83}\x83\x93\x83h   \x83t\x83@\x83"
    "C\x83\x8b\x82\xf0\x8f\x91\x82\xab\x8a\xb7\x82\xa6\x82\xbd\x8c\xe3\x82\xc9"
    "\x8e\xc0\x8ds\x82\xb5\x82\xdc\x82\xb7.\n"
    // --prune      リストにない名前の行を元に戻します.\n
    "    --prune      "
    "\x83\x8a\x83X\x83g\x82\xc9\x82\xc8\x82\xa2\x96\xbc\x91O\x82\xcc\x8ds\x82"
    "\xf0\x8c\xb3\x82\xc9\x96\xdf\x82\xb5\x82\xdc\x82\xb7.\n"
    // --quiet, -q  変更, 警告, エラーだけを表示します.\n
    "    --quiet, -q  \x95\xcf\x8dX, \x8cx\x8d\x90, "
    "\x83G\x83\x89\x81["
    "\x82\xbe\x82\xaf\x82\xf0\x95\x5c\x8e\xa6\x82\xb5\x82\xdc\x82\xb7.\n"
    // --status     名前ごとの行とペアの状態を表示します.\n
    "    --status     "
    "\x96\xbc\x91O\x82\xb2\x82\xc6\x82\xcc\x8ds\x82\xc6\x83y\x83"
    "A\x82\xcc\x8f\xf3\x91\xd4\x82\xf0\x95\\\x8e\xa6\x82\xb5\x82\xdc\x82\xb7.\n"
    // --json       --status と --check を JSON で出力します.\n
    "    --json       --status \x82\xc6 --check \x82\xf0 JSON "
    "\x82\xc5\x8fo\x97\xcd\x82\xb5\x82\xdc\x82\xb7.\n"
    // --metrics ファイル  実行後に Prometheus のメトリクスを書き込みます.\n
    "    --metrics \x83t\x83@\x83"
    "C\x83\x8b  \x8e\xc0\x8ds\x8c\xe3\x82\xc9 Prometheus "
    "\x82\xcc\x83\x81\x83g\x83\x8a\x83N\x83X\x82\xf0\x8f\x91\x82\xab\x8d\x9e"
    "\x82\xdd\x82\xdc\x82\xb7.\n"
    // --help, -h   この説明を表示します.\n
    "    --help, -h   "
    "\x82\xb1\x82\xcc\x90\xe0\x96\xbe\x82\xf0\x95\x5c\x8e\xa6\x82\xb5\x82\xdc"
    "\x82\xb7.\n"
    // --version    バージョンを表示します.\n
    "    --version    "
    "\x83o\x81[\x83W\x83\x87\x83\x93\x82\xf0\x95\x5c\x8e\xa6\x82\xb5\x82\xdc"
    "\x82\xb7.\n"
    // --           オプションの終わり.\n
    "    --           "
    "\x83I\x83v\x83V\x83\x87\x83\x93\x82\xcc\x8fI\x82\xed\x82\xe8."
    "\n",
    "\n"
    "More pairs and @LISTFILE may follow. Options, before the pairs:\n"
    "    --check, -n  Writes nothing. Exit 0: current, 1: a run would change "
    "HOSTS, 2: error.\n"
    "    -4, -6, -46  Follows IPv4, IPv6 or both addresses. Default: -4.\n"
    "    --timeout S  Seconds all lookups may take together. Default: 30.\n"
    "    --hosts-file FILE  Changes FILE instead of HOSTS.\n"
    "    --on-change CMD    Runs CMD after a save that changed the file.\n"
    "    --prune      Restores the lines of every name no pair names.\n"
    "    --quiet, -q  Shows only changes, warnings and errors.\n"
    "    --status     Shows what HOSTS holds of each name and each pair's "
    "state.\n"
    "    --json       --status and --check as one JSON document.\n"
    "    --metrics FILE  Writes Prometheus metrics to FILE after the run.\n"
    "    --help, -h   Shows this text.\n"
    "    --version    Shows the version.\n"
    "    --           Ends the options.\n"};

inline constexpr Text kReading = {
    // 読み込み中... %s\n
    "\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x92\x86... %s\n", "Reading... %s\n"};

inline constexpr Text kWriting = {
    // 書き込み中... %s\n
    "\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x92\x86... %s\n", "Writing... %s\n"};

inline constexpr Text kLinesAdded = {
    // %d 行追加しました.\n
    "%d \x8ds\x92\xc7\x89\xc1\x82\xb5\x82\xdc\x82\xb5\x82\xbd.\n",
    "%d lines added.\n"};

// The count of a check, which writes nothing.
inline constexpr Text kLinesWouldChange = {
    // %d 行が変更されます.\n
    "%d \x8ds\x82\xaa\x95\xcf\x8dX\x82\xb3\x82\xea\x82\xdc\x82\xb7.\n",
    "%d lines would change.\n"};
inline constexpr Text kLineWouldChange = {kLinesWouldChange.japanese,
                                          "%d line would change.\n"};

// The count of a run, by kind: the parts that are not 0, joined by
// kCountJoin, then kCountEnd. English says one line apart from many; the
// Japanese of the lines added is the original count's.
struct CountText {
  Text one, many;
};
inline constexpr std::string_view kCountJoin = ", ";
inline constexpr std::string_view kCountEnd = ".\n";
inline constexpr CountText kCountChanged = {
    {// %d 行変更しました
     "%d \x8ds\x95\xcf\x8dX\x82\xb5\x82\xdc\x82\xb5\x82\xbd",
     "%d line changed"},
    {"%d \x8ds\x95\xcf\x8dX\x82\xb5\x82\xdc\x82\xb5\x82\xbd",
     "%d lines changed"}};
inline constexpr CountText kCountAdded = {
    {// %d 行追加しました
     "%d \x8ds\x92\xc7\x89\xc1\x82\xb5\x82\xdc\x82\xb5\x82\xbd",
     "%d line added"},
    {"%d \x8ds\x92\xc7\x89\xc1\x82\xb5\x82\xdc\x82\xb5\x82\xbd",
     "%d lines added"}};
inline constexpr CountText kCountKeptAside = {
    {// %d 件を控えに移しました
     "%d "
     "\x8c\x8f\x82\xf0\x8dT\x82\xa6\x82\xc9\x88\xda\x82\xb5\x82\xdc\x82\xb5\x82"
     "\xbd",
     "%d entry kept aside"},
    {"%d "
     "\x8c\x8f\x82\xf0\x8dT\x82\xa6\x82\xc9\x88\xda\x82\xb5\x82\xdc\x82\xb5\x82"
     "\xbd",
     "%d entries kept aside"}};
inline constexpr CountText kCountDisabled = {
    {// %d 行無効にしました
     "%d \x8ds\x96\xb3\x8c\xf8\x82\xc9\x82\xb5\x82\xdc\x82\xb5\x82\xbd",
     "%d line disabled"},
    {"%d \x8ds\x96\xb3\x8c\xf8\x82\xc9\x82\xb5\x82\xdc\x82\xb5\x82\xbd",
     "%d lines disabled"}};
inline constexpr CountText kCountGivenBack = {
    {// %d 件を元に戻しました
     "%d "
     "\x8c\x8f\x82\xf0\x8c\xb3\x82\xc9\x96\xdf\x82\xb5\x82\xdc\x82\xb5\x82\xbd",
     "%d entry given back"},
    {"%d "
     "\x8c\x8f\x82\xf0\x8c\xb3\x82\xc9\x96\xdf\x82\xb5\x82\xdc\x82\xb5\x82\xbd",
     "%d entries given back"}};
// A restore that changed nothing.
inline constexpr Text kLinesDisabled = {
    // %d 行無効にしました.\n
    "%d \x8ds\x96\xb3\x8c\xf8\x82\xc9\x82\xb5\x82\xdc\x82\xb5\x82\xbd.\n",
    "%d lines disabled.\n"};

// What one changed line means: the host name, then the old and the new
// address, the address put in or disabled, or the entry kept aside or given
// back (without its line break).
inline constexpr std::string_view kChangeChanged = "%s: %s -> %s\n";
inline constexpr Text kChangeAdded = {
    // %s: %s を追加しました\n
    "%s: %s \x82\xf0\x92\xc7\x89\xc1\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n",
    "%s: added %s\n"};
inline constexpr Text kChangeKeptAside = {
    // %s: 控えに移しました: %s\n
    "%s: \x8dT\x82\xa6\x82\xc9\x88\xda\x82\xb5\x82\xdc\x82\xb5\x82\xbd: %s\n",
    "%s: kept aside: %s\n"};
inline constexpr Text kChangeDisabled = {
    // %s: %s を無効にしました\n
    "%s: %s \x82\xf0\x96\xb3\x8c\xf8\x82\xc9\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n",
    "%s: disabled %s\n"};
inline constexpr Text kChangeGivenBack = {
    // %s: 元に戻しました: %s\n
    "%s: \x8c\xb3\x82\xc9\x96\xdf\x82\xb5\x82\xdc\x82\xb5\x82\xbd: %s\n",
    "%s: given back: %s\n"};

// The state lines of --check and --status: the host name, each managed
// line's address, family and whether it is active, the kept lines, then
// the pair's domain and its state.
inline constexpr std::string_view kStateName = "%s: ";
inline constexpr std::string_view kStateAddress = "%s %s ";
inline constexpr std::string_view kStateJoin = ", ";
inline constexpr std::string_view kStatePair = "; %s: ";
inline constexpr std::string_view kStateEnd = "\n";
inline constexpr Text kStateActive = {"\x97L\x8c\xf8", "active"};  // 有効
inline constexpr Text kStateDisabled = {"\x96\xb3\x8c\xf8",
                                        "disabled"};  // 無効
inline constexpr Text kStateNoLine = {"\x8ds\x82\xc8\x82\xb5",
                                      "no line"};  // 行なし
inline constexpr CountText kStateKept = {
    {// , 控え %d 行
     ", \x8dT\x82\xa6 %d \x8ds", ", %d kept line"},
    {", \x8dT\x82\xa6 %d \x8ds", ", %d kept lines"}};
inline constexpr Text kStateCurrent = {"\x8d\xc5\x90V", "current"};  // 最新
inline constexpr Text kStateStale = {"\x8c\xc3\x82\xa2 (",
                                     "stale ("};                  // 古い (
inline constexpr Text kStateNone = {"\x82\xc8\x82\xb5", "none"};  // なし
inline constexpr Text kStateDead = {
    // 応答なし (
    "\x89\x9e\x93\x9a\x82\xc8\x82\xb5 (", "dead ("};
inline constexpr std::string_view kStateArrow = " -> ";
inline constexpr std::string_view kStateClose = ")";
inline constexpr Text kStateNotInList = {
    // ; リストにありません
    "; \x83\x8a\x83X\x83g\x82\xc9\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1",
    "; not in the list"};

// The --metrics file could not be replaced: its path, the system's error
// number. A warning: the run's own result stands.
inline constexpr Text kCannotWriteMetrics = {
    // 警告: メトリクスファイル %s に書き込めません: システムエラー %d.\n
    "\x8cx\x8d\x90: \x83\x81\x83g\x83\x8a\x83N\x83X\x83t\x83@\x83"
    "C\x83\x8b %s \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9"
    "\x82\xf1: \x83V\x83X\x83"
    "e\x83\x80\x83G\x83\x89\x81[ %d.\n",
    "warning: cannot write the metrics file %s: system error %d.\n"};

// An indented list line, skipped by the list-file format, that holds what
// looks like a pair: file, line number.
inline constexpr Text kIndentedPair = {
    // %s, 行 %d: 字下げされた行は読み飛ばします. そのペアは使われません.\n
    "%s, \x8ds %d: "
    "\x8e\x9a\x89\xba\x82\xb0\x82\xb3\x82\xea\x82\xbd\x8ds\x82\xcd\x93\xc7\x82"
    "\xdd\x94\xf2\x82\xce\x82\xb5\x82\xdc\x82\xb7. \x82\xbb\x82\xcc\x83y\x83"
    "A\x82\xcd\x8eg\x82\xed\x82\xea\x82\xdc\x82\xb9\x82\xf1.\n",
    "%s, line %d: an indented line is skipped; its pair is not used.\n"};

// Error 147, a list file cannot be opened or read; a cause line follows.
inline constexpr Text kCannotOpenList = {
    // %sが開けません.
    "%s\x82\xaa\x8aJ\x82\xaf\x82\xdc\x82\xb9\x82\xf1.", "Cannot open %s."};

// Error 159, a list-file line without two words.
inline constexpr Text kBadListLine = {
    // %s\nファイル=%s, 行＝%d, 書式が間違っています.
    "%s\n\x83t\x83@\x83"
    "C\x83\x8b=%s, \x8ds\x81\x81%d, "
    "\x8f\x91\x8e\xae\x82\xaa\x8a\xd4\x88\xe1\x82\xc1\x82\xc4\x82\xa2\x82\xdc"
    "\x82\xb7.",
    "%s\nfile=%s, line=%d, the format is wrong."};

// Error 159 for a list that others may not read: the line is not shown,
// since a run with more rights than its caller would show what the caller
// may not see (a line of /etc/shadow): file, line number.
inline constexpr Text kBadListLineHidden = {
    // ファイル=%s, 行＝%d, 書式が間違っています.
    // 他のユーザーが読めないファイルなので, 行は表示しません.
    "\x83t\x83@\x83"
    "C\x83\x8b=%s, \x8ds\x81\x81%d, "
    "\x8f\x91\x8e\xae\x82\xaa\x8a\xd4\x88\xe1\x82\xc1\x82\xc4\x82\xa2\x82\xdc"
    "\x82\xb7. "
    "\x91\xbc\x82\xcc\x83\x86\x81[\x83U\x81["
    "\x82\xaa\x93\xc7\x82\xdf\x82\xc8\x82\xa2\x83t\x83@\x83"
    "C\x83\x8b\x82\xc8\x82\xcc\x82\xc5, "
    "\x8ds\x82\xcd\x95\x5c\x8e\xa6\x82\xb5\x82\xdc\x82\xb9\x82\xf1.",
    "file=%s, line=%d, the format is wrong. The line is not shown: others may "
    "not read the file."};

// Error 198; a cause line follows.
inline constexpr Text kCannotOpenHosts = {
    // HOSTS が開けません.
    "HOSTS \x82\xaa\x8aJ\x82\xaf\x82\xdc\x82\xb9\x82\xf1.",
    "Cannot open HOSTS."};

// Error 208; a cause line follows.
inline constexpr Text kCannotWriteHosts = {
    // HOSTS に書き込めません.
    "HOSTS \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1.",
    "Cannot write to HOSTS."};

// A save cut short left a journal, but the hosts file was changed since: it
// is left as it is, and the journal kept aside, never to be applied.
inline constexpr Text kJournalKeptAside = {
    // HOSTS は中断された書き込みの後で変更されていたので, 元に戻しません.
    // 記録を残しました: %s\n
    "HOSTS \x82\xcd\x92\x86\x92"
    "f\x82\xb3\x82\xea\x82\xbd\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xcc"
    "\x8c\xe3\x82\xc5\x95\xcf\x8dX\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xbd"
    "\x82\xcc\x82\xc5, "
    "\x8c\xb3\x82\xc9\x96\xdf\x82\xb5\x82\xdc\x82\xb9\x82\xf1. "
    "\x8bL\x98^\x82\xf0\x8e"
    "c\x82\xb5\x82\xdc\x82\xb5\x82\xbd: %s\n",
    "HOSTS was changed after an interrupted save, so it is not rolled back. "
    "The record was kept: %s\n"};

// Error 224.
inline constexpr Text kCannotStartNetwork = {
    // winsock を初期化できません. [%d]
    "winsock \x82\xf0\x8f\x89\x8a\xfa\x89\xbb\x82\xc5\x82\xab\x82\xdc\x82\xb9"
    "\x82\xf1. [%d]",
    "Cannot start winsock. [%d]"};

// Error 238: one line per domain, the domain and ": " before this text and
// the reason after it.
inline constexpr Text kCannotResolve = {
    // ipアドレスを取得できません. [%d]
    "ip\x83"
    "A\x83h\x83\x8c\x83X\x82\xf0\x8e\xe6\x93\xbe\x82\xc5\x82\xab\x82\xdc"
    "\x82\xb9\x82\xf1. [%d]",
    "cannot get the IP address. [%d]"};

// The reasons of error 238, by Winsock number.
inline constexpr Text kNoSuchDomain = {  // kHostNotFound
    // そのドメインはありません.
    "\x82\xbb\x82\xcc\x83h\x83\x81\x83"
    "C\x83\x93\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1.",
    "No such domain."};
inline constexpr Text kNoAnswerInTime = {  // kTryAgain
    // 時間内に応答がありません. 次の実行で成功するかもしれません.
    "\x8e\x9e\x8a\xd4\x93\xe0\x82\xc9\x89\x9e\x93\x9a\x82\xaa\x82\xa0\x82\xe8"
    "\x82\xdc\x82\xb9\x82\xf1. \x8e\x9f\x82\xcc\x8e\xc0\x8ds\x82\xc5\x90\xac"
    "\x8c\xf7\x82\xb7\x82\xe9\x82\xa9\x82\xe0\x82\xb5\x82\xea\x82\xdc\x82\xb9"
    "\x82\xf1.",
    "No answer in time; the next run may succeed."};
inline constexpr Text kTimedOutText = {  // 10060, the run's bound
    // タイムアウトしました: 制限時間 (--timeout) 内に応答がありません.
    "\x83^\x83"
    "C\x83\x80\x83"
    "A\x83"
    "E\x83g\x82\xb5\x82\xdc\x82\xb5\x82\xbd: \x90\xa7\x8c\xc0\x8e\x9e\x8a\xd4 "
    "(--timeout) "
    "\x93\xe0\x82\xc9\x89\x9e\x93\x9a\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9"
    "\x82\xf1.",
    "Timed out: no answer within the run's time limit (--timeout)."};
inline constexpr Text kLookupFailed = {  // kNoRecovery and any other
    // 名前解決に失敗しました.
    "\x96\xbc\x91O\x89\xf0\x8c\x88\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5"
    "\x82\xbd.",
    "The lookup failed."};
inline constexpr Text kNoAddress = {  // kNoData
    // このドメインには IPv4 アドレスがありません.
    "\x82\xb1\x82\xcc\x83h\x83\x81\x83"
    "C\x83\x93\x82\xc9\x82\xcd IPv4 \x83"
    "A\x83h\x83\x8c\x83X\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1.",
    "The domain has no IPv4 address."};
inline constexpr Text kNoIpv6Address = {  // kNoData, IPv6 alone asked
    // このドメインには IPv6 アドレスがありません.
    "\x82\xb1\x82\xcc\x83h\x83\x81\x83"
    "C\x83\x93\x82\xc9\x82\xcd IPv6 \x83"
    "A\x83h\x83\x8c\x83X\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1.",
    "The domain has no IPv6 address."};
inline constexpr Text kNoIpAddress = {  // kNoData, both families asked
    // このドメインには IP アドレスがありません.
    "\x82\xb1\x82\xcc\x83h\x83\x81\x83"
    "C\x83\x93\x82\xc9\x82\xcd IP \x83"
    "A\x83h\x83\x8c\x83X\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1.",
    "The domain has no IP address."};

// The cause lines of errors 147, 198 and 208: the path first.
inline constexpr Text kCauseNotRoot = {
    // %s: root だけが変更できます. root として実行してください.
    "%s: root \x82\xbe\x82\xaf\x82\xaa\x95\xcf\x8dX\x82\xc5\x82\xab\x82\xdc\x82"
    "\xb7. root \x82\xc6\x82\xb5\x82\xc4\x8e\xc0\x8ds\x82\xb5\x82\xc4\x82\xad"
    "\x82\xbe\x82\xb3\x82\xa2.",
    "%s: only root may change it, and this run is not root's."};
inline constexpr Text kCauseNotAdministrator = {
    // %s: 管理者だけが変更できます. 管理者として実行してください.
    "%s: \x8a\xc7\x97\x9d\x8e\xd2\x82\xbe\x82\xaf\x82\xaa\x95\xcf\x8dX\x82\xc5"
    "\x82\xab\x82\xdc\x82\xb7. \x8a\xc7\x97\x9d\x8e\xd2\x82\xc6\x82\xb5\x82\xc4"
    "\x8e\xc0\x8ds\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2.",
    "%s: only an administrator may change it, and this run is not elevated."};
inline constexpr Text kCauseOthersMayWrite = {  // path, directory or link
    // %s: %s は root 以外のユーザーが変更できます.
    "%s: %s \x82\xcd root "
    "\x88\xc8\x8aO\x82\xcc\x83\x86\x81[\x83U\x81[\x82\xaa\x95\xcf\x8dX\x82\xc5"
    "\x82\xab\x82\xdc\x82\xb7.",
    "%s: %s may be changed by users other than root."};
inline constexpr Text kCauseLockHeldBy = {  // path, process, lock, seconds
    // %s: 別の実行 (プロセス %d) がロック %s を %d 秒以上保持していました.
    "%s: \x95\xca\x82\xcc\x8e\xc0\x8ds (\x83v\x83\x8d\x83Z\x83X %d) "
    "\x82\xaa\x83\x8d\x83"
    "b\x83N %s \x82\xf0 %d \x95"
    "b\x88\xc8\x8f\xe3\x95\xdb\x8e\x9d\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb5"
    "\x82\xbd.",
    "%s: another run (process %d) held the lock %s for %d seconds or more."};
inline constexpr Text kCauseLockHeld = {  // path, lock, seconds
    // %s: 別の実行がロック %s を %d 秒以上保持していました.
    "%s: \x95\xca\x82\xcc\x8e\xc0\x8ds\x82\xaa\x83\x8d\x83"
    "b\x83N %s \x82\xf0 %d \x95"
    "b\x88\xc8\x8f\xe3\x95\xdb\x8e\x9d\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb5"
    "\x82\xbd.",
    "%s: another run held the lock %s for %d seconds or more."};
inline constexpr Text kCauseLockNotRoots = {  // path, lock
    // %s: ロック %s は root だけのものではありません.
    "%s: \x83\x8d\x83"
    "b\x83N %s \x82\xcd root "
    "\x82\xbe\x82\xaf\x82\xcc\x82\xe0\x82\xcc\x82\xc5\x82\xcd\x82\xa0\x82\xe8"
    "\x82\xdc\x82\xb9\x82\xf1.",
    "%s: the lock %s is not root's alone."};
inline constexpr Text kCauseJournal = {
    // %s: 中断された書き込みの記録を適用できません.
    "%s: \x92\x86\x92"
    "f\x82\xb3\x82\xea\x82\xbd\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xcc\x8bL\x98"
    "^\x82\xf0\x93K\x97p\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1.",
    "%s: the journal of an interrupted save cannot be applied."};
inline constexpr Text kCauseMissing = {
    // %s: ファイルがありません.
    "%s: \x83t\x83@\x83"
    "C\x83\x8b\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1.",
    "%s: no such file."};
inline constexpr Text kCauseSaveInterrupted = {
    // %s: 保存が途中で止まっています. 次に root で実行すると修復されます.
    "%s: "
    "\x95\xdb\x91\xb6\x82\xaa\x93r\x92\x86\x82\xc5\x8e~"
    "\x82\xdc\x82\xc1\x82\xc4\x82\xa2\x82\xdc\x82\xb7. \x8e\x9f\x82\xc9 root "
    "\x82\xc5\x8e\xc0\x8ds\x82\xb7\x82\xe9\x82\xc6\x8f"
    "C\x95\x9c\x82\xb3\x82\xea\x82\xdc\x82\xb7.",
    "%s: a save was interrupted; the next root run repairs it."};
inline constexpr Text kCauseNotAFile = {
    // %s: 通常のファイルではありません.
    "%s: \x92\xca\x8f\xed\x82\xcc\x83t\x83@\x83"
    "C\x83\x8b\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1.",
    "%s: not a regular file."};
// A hosts file with the Windows read-only attribute: the command that clears
// it, rather than a read-only file system the user would look for in vain.
inline constexpr Text kCauseReadOnlyFile = {
    // %s: ファイルが読み取り専用です. attrib -r で解除してください.
    "%s: \x83t\x83@\x83"
    "C\x83\x8b\x82\xaa\x93\xc7\x82\xdd\x8e\xe6\x82\xe8\x90\xea\x97p\x82\xc5\x82"
    "\xb7. attrib -r \x82\xc5\x89\xf0\x8f\x9c\x82\xb5\x82\xc4\x82\xad\x82\xbe"
    "\x82\xb3\x82\xa2.",
    "%s: the file is read-only; clear that with attrib -r."};

inline constexpr Text kCauseReadOnly = {
    // %s: ファイルシステムが読み込み専用です.
    "%s: \x83t\x83@\x83"
    "C\x83\x8b\x83V\x83X\x83"
    "e\x83\x80\x82\xaa\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x90\xea\x97p\x82\xc5\x82"
    "\xb7.",
    "%s: the file system is read-only."};
inline constexpr Text kCauseDiskFull = {
    // %s: ディスクに空きがありません.
    "%s: \x83"
    "f\x83"
    "B\x83X\x83N\x82\xc9\x8b\xf3\x82\xab\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82"
    "\xb9"
    "\x82\xf1.",
    "%s: no space left on the device."};
inline constexpr Text kCauseNoJournalPlace = {  // path, journal directory
    // %s: その場で書き換える必要がありますが, 記録を置く場所
    // (そのディレクトリと %s) が書き込めません.
    "%s: \x82\xbb\x82\xcc\x8f\xea\x82\xc5\x8f\x91\x82\xab\x8a\xb7\x82\xa6\x82"
    "\xe9\x95K\x97v\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7\x82\xaa, "
    "\x8bL\x98^\x82\xf0\x92u\x82\xad\x8f\xea\x8f\x8a (\x82\xbb\x82\xcc\x83"
    "f\x83"
    "B\x83\x8c\x83N\x83g\x83\x8a\x82\xc6 %s) "
    "\x82\xaa\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1.",
    "%s: it must be written in place, and neither its directory nor %s can "
    "take the journal."};
inline constexpr Text kCauseTooLong = {
    // %s: 16 MiB より大きいファイルです.
    "%s: 16 MiB \x82\xe6\x82\xe8\x91\xe5\x82\xab\x82\xa2\x83t\x83@\x83"
    "C\x83\x8b\x82\xc5\x82\xb7.",
    "%s: longer than 16 MiB."};
inline constexpr Text kCauseNotAdministrators = {
    // %s: 管理者以外のアカウントが変更できます.
    "%s: \x8a\xc7\x97\x9d\x8e\xd2\x88\xc8\x8aO\x82\xcc\x83"
    "A\x83J\x83"
    "E\x83\x93\x83g\x82\xaa\x95\xcf\x8dX\x82\xc5\x82\xab\x82\xdc\x82\xb7.",
    "%s: accounts other than the administrators may change it."};
inline constexpr Text kCauseCutShort = {
    // %s: 読み込んでいる間にファイルが別のプログラムに短くされました.
    "%s: "
    "\x93\xc7\x82\xdd\x8d\x9e\x82\xf1\x82\xc5\x82\xa2\x82\xe9\x8a\xd4\x82\xc9"
    "\x83t\x83@\x83"
    "C\x83\x8b\x82\xaa\x95\xca\x82\xcc\x83v\x83\x8d\x83O\x83\x89\x83\x80\x82"
    "\xc9\x92Z\x82\xad\x82\xb3\x82\xea\x82\xdc\x82\xb5\x82\xbd.",
    "%s: another program cut the file short while it was being read."};
inline constexpr Text kCauseSystem = {  // path, the system's error number
    // %s: システムエラー %d.
    "%s: \x83V\x83X\x83"
    "e\x83\x80\x83G\x83\x89\x81[ %d.",
    "%s: system error %d."};

// Error 241: the --on-change command failed after a save: the file's path;
// a cause line follows.
inline constexpr Text kOnChangeFailed = {
    // --on-change のコマンドが失敗しました. %s は保存しました.
    "--on-change \x82\xcc\x83R\x83}\x83\x93\x83h\x82\xaa\x8e\xb8\x94s\x82\xb5"
    "\x82\xdc\x82\xb5\x82\xbd. %s "
    "\x82\xcd\x95\xdb\x91\xb6\x82\xb5\x82\xdc\x82\xb5"
    "\x82\xbd.",
    "The --on-change command failed; %s was saved."};

// The cause lines of error 241: the command first.
inline constexpr Text kCauseExitStatus = {  // command, status
    // %s: 終了コード %d.
    "%s: \x8fI\x97\xb9\x83R\x81[\x83h %d.", "%s: exit status %d."};
inline constexpr Text kCauseSignal = {  // command, signal
    // %s: シグナル %d で終了しました.
    "%s: \x83V\x83O\x83i\x83\x8b %d "
    "\x82\xc5\x8fI\x97\xb9\x82\xb5\x82\xdc\x82\xb5"
    "\x82\xbd.",
    "%s: ended by signal %d."};
inline constexpr Text kCauseStillRunning = {
    // %s: 制限時間 (--timeout) を過ぎても終わらないので止めました.
    "%s: \x90\xa7\x8c\xc0\x8e\x9e\x8a\xd4 (--timeout) "
    "\x82\xf0\x89\xdf\x82\xac\x82\xc4\x82\xe0\x8fI\x82\xed\x82\xe7\x82\xc8\x82"
    "\xa2"
    "\x82\xcc\x82\xc5\x8e~\x82\xdf\x82\xdc\x82\xb5\x82\xbd.",
    "%s: still running at the run's time limit (--timeout); it was stopped."};
inline constexpr Text kCauseNotStarted = {  // command, system error
    // %s: 開始できません (システムエラー %d).
    "%s: \x8aJ\x8en\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1 (\x83V\x83X\x83"
    "e\x83\x80\x83G\x83\x89\x81[ %d).",
    "%s: cannot be started (system error %d)."};

// The fixed codes of the fatal errors.
enum ErrorCode {
  kErrorListOpen = 147,
  kErrorListLine = 159,
  kErrorHostsOpen = 198,
  kErrorHostsWrite = 208,
  kErrorNetworkStart = 224,
  kErrorResolve = 238,
  kErrorOnChange = 241,
};

// Windows, whose command line is read in UTF-16: a pair's word on it holds a
// character the ANSI code page, in which it goes into the hosts file, lacks.
inline constexpr Text kUsageNotInCodePage = {
    // Quorvane: %s にはシステムのコードページにない文字があります (--help
    // を参照).\n
    "Quorvane: %s \x82\xc9\x82\xcd\x83V\x83X\x83"
    "e\x83\x80\x82\xcc\x83R\x81[\x83h\x83y\x81[\x83W\x82\xc9\x82\xc8\x82"
    "\xa2\x95\xb6\x8e\x9a\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7 (--help "
    "\x82\xf0\x8eQ\x8f\xc6).\n",
    "Quorvane: %s holds a character the system's code page lacks (see "
    "--help).\n"};

}  // namespace quorvane

#endif  // QUORVANE_REPORT_TEXTS_H_
