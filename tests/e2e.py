#!/usr/bin/python3
"""The real program run as a user runs it, in sandbox.sh (a private /etc
and the DNS answers it lists). A row of cases() (see case()) runs where:
  etc  the plain private /etc; bind  /etc/hosts a single file bind-mounted
  over it (as in containers); ro  /etc read-only; ro-rw  the same but
  /etc/hosts writable (a sandboxed service's view); ro-rw-nolib  and
  /var/lib read-only too (nowhere for a journal); full  /etc a full file
  system; inodes  room for only a few files; bind-full  the bind-mounted
  file on a full file system.
Each row also checks that an unchanged file was not written, that no
input is taken, that nothing of a save is left, and after a success that
the lock is root's alone. QUORVANE_TARGET=windows: a Windows program under
Wine (rows `only` linux skipped).
"""
import json
import os
import re
import signal
import stat
import subprocess
import sys
import time

WINDOWS = os.environ.get("QUORVANE_TARGET") == "windows"
SCRATCH = os.environ.get("QUORVANE_SANDBOX", "")
PROGRAM = sys.argv[1:]
if WINDOWS:
    HOSTS = os.environ["WINEPREFIX"] + "/drive_c/windows/system32/drivers/etc/hosts"
    SHOWN = b"C:\\windows\\system32\\drivers\\etc\\hosts"
else:
    HOSTS, SHOWN = "/etc/hosts", b"/etc/hosts"
ETC = os.path.dirname(HOSTS)


def own(text):
    """Own text as printed: Shift_JIS on Windows, the locale's UTF-8 here."""
    return text.encode("cp932" if WINDOWS else "utf-8")


class Texts:
    """The expected output in Japanese (`ja`, env=JAPANESE) or English."""

    def __init__(self, ja):
        t = (lambda j, e: own(j if ja else e))
        self.t = t
        self.READ_WORD = t("読み込み中... ", "Reading... ")
        self.READ = self.reading(SHOWN)
        self.WRITE = t("書き込み中... ", "Writing... ") + SHOWN + b"\n"
        self.USAGE = t("Quorvane Ver2.0  ※使用は [自己責任] で！\n\nUsage:\n"
                       "    Quorvane ダイナミックDNSドメイン名 ホスト名\n"
                       "             HOSTS を書き換えます.\n"
                       "    Quorvane   (パラメータ無し)\n"
                       "             HOSTS を元に戻します.\n",
                       "Quorvane Ver2.0  Use at your own risk!\n\nUsage:\n"
                       "    Quorvane DYNAMIC-DNS-DOMAIN HOSTNAME\n"
                       "             Rewrites HOSTS.\n"
                       "    Quorvane   (no parameters)\n"
                       "             Restores HOSTS.\n")
        self.HELP = self.USAGE + t(
            "\nペアと @リストファイル を続けて指定できます. ペアの前のオプション:\n"
            "    --check, -n  書き込みません. 終了コード 0: 最新, 1: 変更が必要, 2: エラー.\n"
            "    -4, -6, -46  IPv4, IPv6, 両方のアドレスを使います. 既定: -4.\n"
            "    --timeout 秒 名前解決の制限時間 (全体). 既定: 30.\n"
            "    --hosts-file ファイル  HOSTS の代わりにこのファイルを書き換えます.\n"
            "    --on-change コマンド   ファイルを書き換えた後に実行します.\n"
            "    --prune      リストにない名前の行を元に戻します.\n"
            "    --quiet, -q  変更, 警告, エラーだけを表示します.\n"
            "    --status     名前ごとの行とペアの状態を表示します.\n"
            "    --json       --status と --check を JSON で出力します.\n"
            "    --metrics ファイル  実行後に Prometheus のメトリクスを書き込みます.\n"
            "    --help, -h   この説明を表示します.\n"
            "    --version    バージョンを表示します.\n"
            "    --           オプションの終わり.\n",
            "\nMore pairs and @LISTFILE may follow. Options, before the pairs:\n"
            "    --check, -n  Writes nothing. Exit 0: current, 1: a run would change "
            "HOSTS, 2: error.\n"
            "    -4, -6, -46  Follows IPv4, IPv6 or both addresses. Default: -4.\n"
            "    --timeout S  Seconds all lookups may take together. Default: 30.\n"
            "    --hosts-file FILE  Changes FILE instead of HOSTS.\n"
            "    --on-change CMD    Runs CMD after a save that changed the file.\n"
            "    --prune      Restores the lines of every name no pair names.\n"
            "    --quiet, -q  Shows only changes, warnings and errors.\n"
            "    --status     Shows what HOSTS holds of each name and each pair's state.\n"
            "    --json       --status and --check as one JSON document.\n"
            "    --metrics FILE  Writes Prometheus metrics to FILE after the run.\n"
            "    --help, -h   Shows this text.\n"
            "    --version    Shows the version.\n"
            "    --           Ends the options.\n")
        self.CANNOT_OPEN = t("HOSTS が開けません.", "Cannot open HOSTS.") + b"\n"
        self.CANNOT_WRITE = t("HOSTS に書き込めません.", "Cannot write to HOSTS.") + b"\n"

    def reading(self, path): return self.READ_WORD + path + b"\n"
    def added(self, n): return b"%d" % n + self.t(" 行追加しました.\n", " line added.\n" if n == 1 else " lines added.\n")
    def disabled(self, n): return b"%d" % n + self.t(" 行無効にしました.\n", " line disabled.\n" if n == 1 else " lines disabled.\n")
    def would(self, n): return b"%d" % n + self.t(" 行が変更されます.\n", " line would change.\n" if n == 1 else " lines would change.\n")

    def not_found(self, domain, lacks=None):  # lacks: b"IPv6" (no data), not no name
        return domain + b": " + self.t("ipアドレスを取得できません. ", "cannot get the IP address. ") + (
            self.t("[11004] このドメインには %s アドレスがありません.",
                   "[11004] The domain has no %s address.") % lacks if lacks else
            self.t("[11001] そのドメインはありません.", "[11001] No such domain."))

    def timed_out(self, domain):
        return domain + b": " + self.t(
            "ipアドレスを取得できません. [10060] タイムアウトしました: 制限時間 (--timeout) 内に応答がありません.",
            "cannot get the IP address. [10060] Timed out: no answer within the run's time "
            "limit (--timeout).")

    def cause(self, path, ja, en, *args):
        return path + b": " + self.t(ja, en) % args

    def bad_list(self, path, text, number):
        return fatal(159, text + b"\n" + self.t("ファイル=", "file=") + path +
                     self.t(", 行＝%d, 書式が間違っています.",
                            ", line=%d, the format is wrong.") % number)

    def bad_list_hidden(self, path, number):
        return fatal(159, self.t("ファイル=", "file=") + path + self.t(
            ", 行＝%d, 書式が間違っています. 他のユーザーが読めないファイルなので, 行は表示しません.",
            ", line=%d, the format is wrong. The line is not shown: others may not read the "
            "file.") % number)


# A managed line ends as the file's lines end: LF in the LF files of most
# rows; a file without a line break gets the platform's.
NEW = b"\r\n" if WINDOWS else b"\n"


def line(address, name, end=b"\n"):
    return address + b"\t" + name + b"\t##Quorvane##" + end


def usage(why):
    """The usage text after the line that says what is wrong (English)."""
    return b"Quorvane: " + why + b" (see --help).\n" + EN.USAGE


def said(kind, *managed):
    """What a run prints of the managed lines it put in ("added") or
    disabled ("disabled"), in English."""
    out = b""
    for each in b"".join(managed).splitlines():
        address, name = each.lstrip(b"#").split(b"\t")[:2]
        out += name + b": " + kind.encode() + b" " + address + b"\n"
    return out


def json_is(got, want):
    """Problems of a JSON document against the data it must hold."""
    try:
        data = json.loads(got)
    except ValueError as e:
        return [f"not JSON ({e}): {got[:200]!r}"]
    return [] if data == want else [f"JSON: got {data}, expected {want}"]


def metrics_are(got, want):
    """Problems of a textfile by its format's rules (TYPE before a metric's
    samples, one sample a series, a final line break), and of the samples
    in `want` (the run's times are only checked for being numbers)."""
    problems, typed, seen = [], set(), {}
    sample = re.compile(rb'([a-zA-Z_:][a-zA-Z0-9_:]*)((?:\{(?:[a-zA-Z_]\w*="(?:[^"\\\n]|\\.)*",?)*\})?) (\S+)$')
    if not got or not got.endswith(b"\n"):
        problems.append("no final line break")
    for each in (got or b"").splitlines():
        comment = re.match(rb"# (HELP|TYPE) ([a-zA-Z_:][a-zA-Z0-9_:]*) (.+)$", each)
        m = sample.match(each)
        if comment:
            if comment[1] == b"TYPE":
                typed.add(comment[2])
        elif not m or m[1] not in typed or m[1] + m[2] in seen:
            problems.append(f"bad line {each!r}")
        else:
            seen[m[1] + m[2]] = float(m[3])
    for series, value in want.items():
        if seen.get(series.encode()) != value:
            problems.append(f"{series}: {seen.get(series.encode())}, expected {value}")
    return problems


def moved(name, old, new): return name + b": " + old + b" -> " + new + b"\n"


def crlf(managed): return managed.replace(b"##\n", b"##\r\n")


def kept_line(entry, names):
    """The comment an update leaves of an entry it took `names` from."""
    body = names + b"\t" + entry
    h = 14695981039346656037
    for byte in body.rstrip(b"\r\n"):
        h = ((h ^ byte) * 1099511628211) % (1 << 64)
    return b"#Quorvane-kept %08x " % (h & 0xFFFFFFFF) + body


def fatal(code, text):
    """A fatal error on standard error (Wine without a display: no box)."""
    if isinstance(text, str):
        text = own(text)
    return b"Quorvane (%d)\n" % code + text + b"\n"


EN, JA = Texts(False), Texts(True)
JAPANESE = {"LC_ALL": "ja_JP.UTF-8"}  # not installed: the language still is
READ, WRITE, USAGE, reading, added, disabled = EN.READ, EN.WRITE, EN.USAGE, EN.reading, EN.added, EN.disabled
NOT_ROOT = ("root だけが変更できます. root として実行してください.",
            "only root may change it, and this run is not root's.")
MISSING = ("ファイルがありません.", "no such file.")
NOT_A_FILE = ("通常のファイルではありません.", "not a regular file.")
TOO_LONG = ("16 MiB より大きいファイルです.", "longer than 16 MiB.")
OTHERS = ("%s は root 以外のユーザーが変更できます.", "%s may be changed by users other than root.")
LOCK_NOT_ROOTS = ("ロック %s は root だけのものではありません.", "the lock %s is not root's alone.")
READ_ONLY = ("ファイルシステムが読み込み専用です.", "the file system is read-only.")
READ_ONLY_FILE = ("ファイルが読み取り専用です. attrib -r で解除してください.",
                  "the file is read-only; clear that with attrib -r.")
SYSTEM_ERROR = ("システムエラー %d.", "system error %d.")  # Wine: a read-only mount is 5
DISK_FULL = ("ディスクに空きがありません.", "no space left on the device.")
NO_JOURNAL = ("その場で書き換える必要がありますが, 記録を置く場所 (そのディレクトリと %s) が書き込めません.",
              "it must be written in place, and neither its directory nor %s can take the journal.")


def hosts_error(code, cause, *args, texts=EN):
    return fatal(code, (texts.CANNOT_OPEN if code == 198 else texts.CANNOT_WRITE) +
                 texts.cause(SHOWN, *cause, *args))


def list_error(path, cause, *args):
    return fatal(147, b"Cannot open " + path + b".\n" + EN.cause(path, *cause, *args))


S = SCRATCH.encode()
LOCAL = b"127.0.0.1\tlocalhost\n"
NAS = line(b"192.0.2.7", b"nas")
PC = line(b"198.51.100.20", b"pc")
DIR = object()  # in `files`: make a directory
LIST_MAX = 16 << 20  # the longest list file read


def case(name, hosts=LOCAL, args=(), status=0, out=b"", err=b"", after=None,
         where="etc", input=b"\n", files=None, files_after=None, only=None,
         env=None, check=None, setup=None, dns=b"", resolves=None, user=None,
         cwd=None, within=None):
    """A row. `after` defaults to `hosts` (unchanged); `files` are made
    before the run (path: bytes, DIR, or ("link", target)); `files_after`
    are the bytes expected then (None: gone). A file whose bytes do not
    change must not be written at all (but for an in-place rollback).
    check: "owner" (mode, owner kept, a new inode), "xattr" (attributes
    kept), "no-reader" (standard output a pipe nobody reads). `user`: a
    user id to run as instead of root. `setup`: a shell command run first
    in the scratch folder; `dns`: "ADDRESS NAME" lines the sandbox's DNS
    answers too; `resolves`: {name: the address getent must give first},
    every other name as before; `input` ("tty", BYTES): a terminal whose
    input stays open, where a run must still end by itself. `cwd`: a folder
    of the scratch folder to run in; `within`: the seconds the run may take."""
    return dict(locals())


def big_hosts(to=None):
    """3 MiB of entries with the lines of six names, h0 to h5, where the
    256 KiB windows of a search meet: each maps h<i> to 10.0.0.<i>, or to
    `to` + <i> after an update."""
    fill = b"0.0.0.0 " + b"x" * 55 + b"\n"
    out = b""
    for i, at in enumerate((0, 262140, 262144 * 2 - 3, 700001, 1 << 21, 3 << 20)):
        out += fill * ((at - len(out)) // len(fill))
        out += b"#" * max(0, at - len(out) - 1) + b"\n" if len(out) < at else b""
        out += line(b"10.0.0.%d" % i, b"h%d" % i)
    for i in range(6) if to else ():
        out = out.replace(line(b"10.0.0.%d" % i, b"h%d" % i), line(to + b"%d" % i, b"h%d" % i))
    return out + fill * 100


def big_list():
    pad = b"# " + b"c" * 1000 + b"\n"
    body = pad * ((LIST_MAX - 14) // len(pad))
    return body + b"\n" * (LIST_MAX - len(body) - 14) + b"192.0.2.7 nas\n"


def cases():
    rows = [
        case("update appends the managed line", args=[b"one.test", b"nas"],
             out=READ + said("added", NAS) + added(1) + WRITE, after=LOCAL + NAS),
        case("an update with nothing to change does not write",
             hosts=LOCAL + NAS, args=[b"one.test", b"nas"], out=READ + added(0)),
        case("restore disables the managed lines", hosts=LOCAL + NAS + b"x\n",
             out=READ + said("disabled", NAS) + disabled(1) + WRITE,
             after=LOCAL + b"#" + NAS + b"x\n"),
        case("the first address of the answer, and a literal address (even one "
             "the file pins as a name)",
             hosts=LOCAL + line(b"192.0.2.99", b"192.0.2.99"),
             args=[b"two.test", b"pc", b"192.0.2.99", b"lit"],
             out=READ + said("added", PC + line(b"192.0.2.99", b"lit")) + added(2) + WRITE,
             after=LOCAL + line(b"192.0.2.99", b"192.0.2.99") + PC +
             line(b"192.0.2.99", b"lit")),
        case("in Japanese: only dead domains, the hosts file is not read",
             args=[b"nope.test", b"a", b"none.test", b"b"], status=1, env=JAPANESE,
             err=fatal(238, JA.not_found(b"nope.test") + b"\n" +
                       JA.not_found(b"none.test"))),
        case("an over-long host name is written", args=[b"one.test", b"h" * 100000],
             out=READ + said("added", line(b"192.0.2.7", b"h" * 100000)) + added(1) + WRITE,
             after=LOCAL + line(b"192.0.2.7", b"h" * 100000), only="linux"),
        case("an over-long domain is not found", args=[b"d" * 100000, b"nas"],
             status=1, err=fatal(238, EN.not_found(b"d" * 100000)), only="linux"),
        case("a missing hosts file is error 198", hosts=None, status=1,
             out=READ, err=hosts_error(198, MISSING)),
        case("a hosts file that cannot be read is error 198", hosts=DIR,
             args=[b"one.test", b"nas"], status=1, out=READ,
             err=hosts_error(198, NOT_A_FILE)),
        case("not root is error 198 with that cause", args=[b"one.test", b"nas"],
             status=1, user=65534, err=hosts_error(198, NOT_ROOT), only="linux"),
        case("in Japanese: error 198 with its cause", hosts=None, status=1,
             env=JAPANESE, out=JA.READ, err=hosts_error(198, MISSING, texts=JA)),
    ]

    # A name takes only its own lines.
    windows = (b"# Copyright (c) 1993-2009 Microsoft Corp.\r\n#\r\n# This is a sample"
               b" HOSTS file used by Microsoft TCP/IP for Windows.\r\n#\r\n"
               b"#      102.54.94.97     rhino.acme.com          # source server\r\n"
               b"#       38.25.63.10     x.acme.com              # x client host\r\n"
               b"\r\n# localhost name resolution is handled within DNS itself.\r\n"
               b"#\t127.0.0.1       localhost\r\n#\t::1             localhost\r\n")
    kept_windows = kept_line(b"192.168.1.5    NAS nas.local    # the nas\r\n", b"nas")
    rows += [
        case("Windows' hosts file: another case, a shared line",
             hosts=windows + b"192.168.1.5    NAS nas.local    # the nas\r\n",
             args=[b"one.test", b"nas"],
             out=READ + said("added", NAS, line(b"192.0.2.7", b"NAS")) +
             b"nas: kept aside: 192.168.1.5    NAS nas.local    # the nas\n"
             b"2 lines added, 1 entry kept aside.\n" + WRITE,
             after=windows + crlf(NAS) + line(b"192.0.2.7", b"NAS", b"\r\n") + kept_windows +
             b"192.168.1.5 nas.local    # the nas\r\n",
             resolves={b"nas": b"192.0.2.7"}),
        case("a megabyte of the name in no line of its own: one check a line",
             hosts=b"n" * (1 << 20), args=[b"192.0.2.9", b"n"],
             out=READ + said("added", line(b"192.0.2.9", b"n", NEW)) + added(1) + WRITE,
             after=b"n" * (1 << 20) + NEW + line(b"192.0.2.9", b"n", NEW)),
        # Large enough to be mapped and searched a window at a time: names
        # across the windows' edges, stretches short and long around them.
        case("a large file: lines at the edges of the windows read, all changed",
             hosts=big_hosts(), args=[b"-6"] + [w for i in range(6) for w in
                                               (b"2001:db8::1%d" % i, b"h%d" % i)],
             out=None, after=big_hosts(b"2001:db8::1")),
        case("a large file restored: each line at the windows' edges disabled",
             hosts=big_hosts(), out=None, after=big_hosts(b"#10.0.0.")),
    ]

    # A domain pinned by its own managed line is asked of DNS, past the hosts
    # file, whose line would answer for it forever (not so under Wine).
    pin, pinned = b"pin.test", line(b"192.0.2.50", b"pin.test")
    rows += [
        case("a domain pinned to itself: DNS moves, the next run follows",
             hosts=LOCAL + pinned, args=[pin, pin], dns=b"192.0.2.51 pin.test\n",
             out=READ + moved(pin, b"192.0.2.50", b"192.0.2.51") + b"1 line changed.\n" + WRITE,
             after=LOCAL + line(b"192.0.2.51", pin), resolves={pin: b"192.0.2.51"}),
        case("a name of a pinned domain follows DNS",
             hosts=LOCAL + line(b"192.0.2.50", b"Pin.Test") + line(b"192.0.2.50", b"nas"),
             args=[pin, b"nas"], dns=b"192.0.2.51 pin.test\n",
             out=READ + moved(b"nas", b"192.0.2.50", b"192.0.2.51") + b"1 line changed.\n" +
             WRITE,
             after=LOCAL + line(b"192.0.2.50", b"Pin.Test") + line(b"192.0.2.51", b"nas"),
             resolves={b"nas": b"192.0.2.51"}),
        case("a domain pinned by its IPv6 line: -6 follows DNS's AAAA answer",
             hosts=LOCAL + line(b"2001:db8::50", pin), args=[b"-6", pin, pin],
             dns=b"2001:db8::51 pin.test\n", out=READ + moved(pin, b"2001:db8::50", b"2001:db8::51")
             + b"1 line changed.\n" + WRITE, after=LOCAL + line(b"2001:db8::51", pin)),
        case("a hand-written entry answers for a domain", args=[b"myserver", b"nas"],
             hosts=LOCAL + b"10.0.0.5 myserver\n",
             out=READ + said("added", line(b"10.0.0.5", b"nas")) + added(1) + WRITE,
             after=LOCAL + b"10.0.0.5 myserver\n" + line(b"10.0.0.5", b"nas"),
             only="linux"),
    ]
    # No DNS server can hold a run: stall.test's answers only "try TCP", then
    # holds the connection silent. The bound gives it up; the other pair is
    # applied, and a pinned domain's query is given up the same way.
    rows += [
        case("a DNS server that holds its TCP answer: the run ends at its bound",
             args=[b"--timeout", b"2", b"stall.test", b"x", b"one.test", b"nas"],
             status=1, out=READ + said("added", NAS) + added(1) + WRITE, after=LOCAL + NAS,
             err=fatal(238, EN.timed_out(b"stall.test")), within=8, only="linux"),
        case("in Japanese: --check of a pinned domain whose DNS server holds it",
             hosts=LOCAL + line(b"192.0.2.60", b"stall.test"), env=JAPANESE,
             args=[b"-n", b"--timeout=2", b"stall.test", b"stall.test"], status=2,
             out=JA.READ + own("stall.test: 192.0.2.60 IPv4 有効; stall.test: 応答なし ([10060] "
                               "タイムアウトしました: 制限時間 (--timeout) 内に応答がありません.)\n") +
             JA.would(0), err=fatal(238, JA.timed_out(b"stall.test")),
             within=8, only="linux"),
    ]
    pairs = b"".join(b"192.0.2.%d host%d\n" % (i % 250, i) for i in range(600))
    many = S + b"/many.list"
    rows += [
        case("an output pipe without a reader stops nothing", args=[b"@" + many],
             files={many: pairs}, out=None, check="no-reader",
             after=LOCAL + b"".join(line(b"192.0.2.%d" % (i % 250), b"host%d" % i)
                                    for i in range(600))),
        case("at a terminal whose input stays open, --help ends by itself",
             args=[b"-h"], out=EN.HELP, input=("tty", b"")),
        case("/? alone is --help",
             args=[b"/?"], out=EN.HELP),
        # (Wine gives a program started from a Unix terminal a console of
        # its own, as a double-click would, where the usage waits for Enter.)
        case("at a terminal whose input stays open, the usage ends by itself",
             args=[b"-x"], status=1, err=usage(b"unknown option -x"), input=("tty", b"ls\n"),
             only="linux"),
    ]

    # A run applies every pair whose domain answered and names the others,
    # whose lines stay as they were; at a terminal it ends by itself.
    mixed, dead_line = S + b"/mixed.list", line(b"10.9.9.9", b"dead")
    rows.append(case("a dead domain is named, the good one after it written",
                     hosts=LOCAL + dead_line, args=[b"@" + mixed],
                     files={mixed: b"nope.test dead\none.test nas\n"}, status=1,
                     out=reading(mixed) + READ + said("added", NAS) + added(1) + WRITE,
                     err=fatal(238, EN.not_found(b"nope.test")), input=("tty", b"\n"),
                     after=LOCAL + dead_line + NAS))

    # The families: -6 follows a domain's first IPv6 address, -46 both (the
    # IPv4 line first), a list line may choose its own; a literal address is
    # followed in its own family, in canonical text.
    v6, lit, both = line(b"2001:db8::7", b"nas"), line(b"192.0.2.1", b"lit"), S + b"/both.list"
    v6_pc = line(b"2001:db8::7", b"pc")
    listed = (line(b"2001:db8::7", b"x") + v6 + line(b"192.0.2.7", b"pc") +
              line(b"192.0.2.9", b"gw") + line(b"2001:db8::9", b"gw"))
    rows += [
        case("-6, with a literal IPv4 address", args=[b"-6", b"six.test", b"nas", b"192.0.2.1",
             b"lit"], out=READ + said("added", v6 + lit) + added(2) + WRITE, after=LOCAL + v6 + lit),
        case("list lines' own choices, and a literal IPv6 address",
             files={both: b"six.test nas -6\none.test pc\nboth.test gw -64\n"},
             args=[b"2001:DB8:0::7", b"x", b"@" + both], after=LOCAL + listed,
             out=reading(both) + READ + said("added", listed) + added(5) + WRITE),
        case("a domain without the asked family is error 238 [11004], other pairs written",
             hosts=LOCAL + NAS, args=[b"-6", b"one.test", b"nas", b"six.test", b"pc", b"@" + both],
             files={both: b"bare.test gw -46\n"}, status=1, after=LOCAL + NAS + v6_pc,
             out=reading(both) + READ + said("added", v6_pc) + added(1) + WRITE,
             err=fatal(238, EN.not_found(b"one.test", b"IPv6") + b"\n" +  # (Wine: a name
                       EN.not_found(b"bare.test", None if WINDOWS else b"IP"))),  # without any)
    ]

    # A check judges as a run does and writes nothing: 0 current, 1 stale,
    # 2 on any error.
    stale = LOCAL + line(b"10.1.1.1", b"nas")
    rows += [
        case("--check on a current file", hosts=LOCAL + NAS, args=[b"-n", b"one.test", b"nas"],
             out=READ + b"nas: 192.0.2.7 IPv4 active; one.test: current\n" + EN.would(0)),
        case("--check by any user: a stale, a current and a dead pair, each told",
             hosts=stale + PC, args=[b"-n", b"one.test", b"nas", b"two.test", b"pc",
                                     b"nope.test", b"x"], status=2, user=65534,
             out=READ + b"nas: 10.1.1.1 IPv4 active; one.test: stale (10.1.1.1 -> 192.0.2.7)\n"
             b"pc: 198.51.100.20 IPv4 active; two.test: current\n"
             b"x: no line; nope.test: dead ([11001] No such domain.)\n" + EN.would(1),
             err=fatal(238, EN.not_found(b"nope.test")), only="linux"),
        case("--check --quiet: only what is not current", hosts=stale + PC,
             args=[b"-n", b"-q", b"one.test", b"nas", b"two.test", b"pc"], status=1,
             out=b"nas: 10.1.1.1 IPv4 active; one.test: stale (10.1.1.1 -> 192.0.2.7)\n"),
        case("--status --json: what the file manages, for scripts",
             hosts=stale + line(b"2001:db8::7", b"nas") + b"#" + PC + kept_line(b"10.0.0.9 nas\n",
                                                                             b"nas"),
             args=[b"--status", b"--json", b"-46", b"six.test", b"nas"], status=1,
             out=lambda got: json_is(got, {"hosts_file": SHOWN.decode(), "names": [
                 {"name": "nas", "lines": [
                     {"address": "10.1.1.1", "family": "ipv4", "active": True},
                     {"address": "2001:db8::7", "family": "ipv6", "active": True}],
                  "kept_lines": 1, "state": "stale", "pairs": [
                     {"domain": "six.test", "families": ["ipv4", "ipv6"], "state": "stale",
                      "addresses": ["2001:db8::7"], "error": None}]},
                 {"name": "pc", "lines": [
                     {"address": "198.51.100.20", "family": "ipv4", "active": False}],
                  "kept_lines": 0, "state": "not in the list", "pairs": []}]})),
        case("--metrics: a textfile of the pairs and the run, replaced", hosts=stale,
             args=[b"--metrics", S + b"/m.prom", b"one.test", b"nas", b"nope.test", b"x"],
             status=1, out=None, err=None, after=LOCAL + NAS,
             files={S + b"/m.prom": b"quorvane_last_success_timestamp_seconds 1234.5\n"},
             files_after={S + b"/m.prom": lambda got: metrics_are(got, {
                 'quorvane_pair_current{name="nas",domain="one.test",family="ipv4"}': 1,
                 'quorvane_pair_failed{name="nas",domain="one.test",family="ipv4"}': 0,
                 'quorvane_pair_current{name="x",domain="nope.test",family="ipv4"}': 0,
                 'quorvane_pair_failed{name="x",domain="nope.test",family="ipv4"}': 1,
                 "quorvane_last_success_timestamp_seconds": 1234.5,
                 "quorvane_lines_changed": 1})}),
        case("in Japanese: --check without pairs asks about a restore",
             hosts=LOCAL + NAS, args=[b"--check"], status=1, env=JAPANESE,
             out=JA.READ + own("nas: 192.0.2.7 を無効にしました\n") + JA.would(1)),
        case("--check: a missing hosts file is error 198 with status 2", hosts=None,
             args=[b"--check"], status=2, out=READ, err=hosts_error(198, MISSING)),
        case("--check: the usage with status 2", args=[b"-n", b"-x"], status=2,
             err=usage(b"unknown option -x")),
        case("a family without pairs is the usage, not a restore", args=[b"-6"],
             hosts=LOCAL + NAS, status=1, err=usage(b"a choice of families needs pairs")),
        case("in Japanese: the usage names what is wrong", args=[b"one.test", b"LocalHost"],
             env=JAPANESE, status=1, err=JA.t("Quorvane: LocalHost はこのシステム自身の名前なので"
                                              "固定できません (--help を参照).\n", "") + JA.USAGE),
    ]
    # A usage error names the argument and what is wrong with it.
    rows += [
        case("usage: " + why, args=args, status=1, err=usage(why.encode()))
        for args, why in [
            ([b"--bogus"], "unknown option --bogus"),
            ([b"one.test", b"nas", b"extra"], "the domain extra has no host name after it"),
            ([b"one.test", b"bad#name"],
             "bad#name is no host name: it holds a blank, a control byte or a #"),
            ([b"one.test", b"nas", b"--check"],
             "the option --check must come before the pairs"),
            ([b"--timeout", b"0", b"one.test", b"nas"],
             "--timeout takes seconds from 1 to 86400, not 0"),
            ([b"one.test", b"ip6-loopback"],
             "ip6-loopback is a name of this system itself and is never pinned")]]
    rows += [
        case("in Japanese: --help", args=[b"--help", b"-x"], env=JAPANESE, out=JA.HELP),
        case("--version", args=[b"--version"], out=b"Quorvane 2.0\n"),
    ]

    # The language: gettext's variables, whether or not the locale is
    # installed (Wine: its own reading of them).
    rows += [
        case("LC_MESSAGES before LANG", hosts=LOCAL + NAS, args=[b"one.test", b"nas"],
             env={"LC_ALL": "", "LC_MESSAGES": "ja_JP", "LANG": "C.UTF-8"},
             out=JA.READ + JA.added(0), only="linux"),
        case("LANGUAGE before the locale", hosts=LOCAL + NAS, args=[b"one.test", b"nas"],
             env={"LC_ALL": "", "LANG": "en_US.UTF-8", "LANGUAGE": "ja"},
             out=JA.READ + JA.added(0), only="linux"),
        case("another language is English", hosts=LOCAL + NAS, args=[b"one.test", b"nas"],
             env={"LC_ALL": "de_DE.UTF-8"}, out=READ + added(0)),
    ]

    # List files.
    comments, bad = S + b"/comments.list", S + b"/bad.list"
    missing = S + b"/\x83z\x83X\x83g.list"  # a path is outside bytes
    big = S + b"/big.list"
    rows += [
        case("a list of comments only shows the usage", args=[b"@" + comments],
             files={comments: b"# nothing\n\n\r\n"}, status=1,
             out=reading(comments), err=usage(b"the list files hold no pair")),
        case("a list: a UTF-8 byte order mark is skipped, localhost is error 159",
             args=[b"@" + comments], files={comments: b"\xef\xbb\xbfone.test nas\nx Localhost\n"},
             status=1, out=reading(comments), err=EN.bad_list(comments, b"x Localhost", 2)),
        case("lists in UTF-8 with a mark, UTF-16LE and UTF-16BE are applied alike",
             args=[b"@" + comments, b"@" + bad, b"@" + big],
             files={comments: b"\xef\xbb\xbfone.test nas\r\n",
                    bad: b"\xff\xfe" + "# 名前\r\none.test pc é\r\n".encode("utf-16-le"),
                    big: b"\xfe\xff" + "one.test srv\n".encode("utf-16-be")},
             out=reading(comments) + reading(bad) + reading(big) + READ +
             b"nas: added 192.0.2.7\npc: added 192.0.2.7\nsrv: added 192.0.2.7\n" + added(3) + WRITE,
             after=LOCAL + line(b"192.0.2.7", b"nas") + line(b"192.0.2.7", b"pc") +
             line(b"192.0.2.7", b"srv")),
        case("a missing list file is error 147", args=[b"@" + missing],
             status=1, out=reading(missing), err=list_error(missing, MISSING),
             only="linux"),
        case("a directory as list file is error 147", args=[b"@" + S + b"/dir.d"],
             setup="mkdir -p dir.d", status=1, out=reading(S + b"/dir.d"),
             err=list_error(S + b"/dir.d", NOT_A_FILE)),
        case("a list line whose host name is no name is error 159",
             args=[b"@" + bad], files={bad: b"one.test nas\r\none.test nas#1\r\n"},
             status=1, out=reading(bad), err=EN.bad_list(bad, b"one.test nas#1", 2)),
        case("in Japanese: error 159", args=[b"@" + bad], env=JAPANESE,
             files={bad: b"one.test nas\r\none.test nas#1\r\n"}, status=1,
             out=JA.reading(bad), err=JA.bad_list(bad, b"one.test nas#1", 2)),
        case("an indented pair is skipped with a warning naming file and line",
             args=[b"@" + comments], files={comments: b"# mine\n  one.test nas\n"
                                            b"\t# note\none.test pc\n"},
             out=reading(comments) + READ + said("added", line(b"192.0.2.7", b"pc")) + added(1) + WRITE,
             err=comments + b", line 2: an indented line is skipped; its pair is not used.\n",
             after=LOCAL + line(b"192.0.2.7", b"pc")),
        case("a list at the size bound is read", args=[b"@" + big],
             files={big: big_list()}, out=reading(big) + READ + said("added", NAS) + added(1) + WRITE,
             after=LOCAL + NAS),
        case("a list one byte over the bound is error 147", args=[b"@" + big],
             files={big: big_list() + b"\n"}, status=1, out=reading(big),
             err=list_error(big, TOO_LONG)),
        case("a FIFO as list file is refused at once", args=[b"-n", b"@" + S + b"/fifo"],
             setup="rm -f fifo && mkfifo -m 644 fifo", status=2, within=8,
             out=reading(S + b"/fifo"), err=list_error(S + b"/fifo", NOT_A_FILE),
             only="linux"),
        case("a VT inside a list word is error 159, not a split", args=[b"@" + bad],
             files={bad: b"one.test bad\vname\n"}, status=1, out=reading(bad),
             err=EN.bad_list(bad, b"one.test bad\vname", 1)),
        case("a list only root may read: error 159 shows no byte of its line",
             args=[b"@" + bad], files={bad: b"one.test nas\nroot:$6$5ecret:19000\n"},
             setup="chmod 600 bad.list", status=1, out=reading(bad),
             err=EN.bad_list_hidden(bad, 2), only="linux"),
        case("@/etc/shadow shows no line of it", args=[b"@/etc/shadow"], status=1,
             out=reading(b"/etc/shadow"), err=EN.bad_list_hidden(b"/etc/shadow", 1),
             only="linux"),
        case("a device that never ends is error 147", args=[b"@/dev/zero"],
             status=1, out=reading(b"/dev/zero"),
             err=list_error(b"/dev/zero", OTHERS, b"/dev/zero"), only="linux"),
    ]

    # A root run reads a list only when no other user could have written it,
    # by the rule of the hosts path, and shows nothing of a refused one.
    listed = S + b"/l/x.list"
    relinked = "mv ld/x.list ld/y && ln -s y ld/x.list"
    for made, culprit in [("true", None), ("chmod 600 ld/x.list", None), (relinked, None),
                          ("mkdir -m 1777 st && mv ld st && ln -sfn st/ld l", None),
                          ("chown 65534 ld/x.list", b"l/x.list"), ("chmod 664 ld/x.list", b"l/x.list"),
                          ("chmod 646 ld/x.list", b"l/x.list"), ("chown 65534 ld", b"ld"),
                          ("chmod 775 ld", b"ld"), ("chmod 1777 ld", b"ld"), ("chown -h 65534 l", b"l"),
                          (relinked + " && chown -h 65534 ld/x.list", b"ld/x.list"),
                          ("chown 65534 ld && ln -sf ../secret ld/x.list && "
                           "chown -h 65534 ld/x.list", b"ld")]:
        usable = culprit is None
        rows.append(case("list path: " + made, args=[b"@" + listed],
                         setup="rm -rf ld l st && mkdir -m 755 ld && "
                         "printf 'one.test nas\\n' >ld/x.list && ln -s ld l && "
                         "printf 'root:$6$5ecret:19000\\n' >secret && chmod 600 secret && "
                         + made, status=0 if usable else 1,
                         out=reading(listed) + (READ + said("added", NAS) + added(1) + WRITE if usable else b""),
                         err=b"" if usable else list_error(listed, OTHERS, S + b"/" + (culprit or b"")),
                         after=LOCAL + NAS if usable else LOCAL, only="linux"))

    # --prune: the list is the whole declared state. A name no pair names
    # more has its line disabled and its entry given back; without --prune
    # it stays; a list of no pairs pins nothing.
    box, listed = line(b"192.0.2.9", b"box"), S + b"/prune.list"
    pinned = LOCAL + NAS + box + kept_line(b"10.0.0.9 box\n", b"box")
    pruned = b"#" + box + b"10.0.0.9 box\n"
    said_pruned = said("disabled", box) + b"box: given back: 10.0.0.9 box\n"
    states = (b"nas: 192.0.2.7 IPv4 active; one.test: current\n"
              b"box: 192.0.2.9 IPv4 active, 1 kept line; not in the list\n")
    rows += [
        case("--prune after the list shrank: the name's entry comes back",
             hosts=pinned, args=[b"--prune", b"@" + listed], files={listed: b"one.test nas\n"},
             out=reading(listed) + READ + said_pruned +
             b"1 line disabled, 1 entry given back.\n" + WRITE,
             after=LOCAL + NAS + pruned, resolves={b"box": b"10.0.0.9", b"nas": b"192.0.2.7"}),
        case("without --prune a name no more listed stays", hosts=pinned,
             args=[b"-n", b"@" + listed], files={listed: b"one.test nas\n"},
             out=reading(listed) + READ + states + EN.would(0)),
        case("--check --prune counts what a prune would change", hosts=pinned,
             args=[b"-n", b"--prune", b"@" + listed], files={listed: b"one.test nas\n"},
             status=1, out=reading(listed) + READ + states + EN.would(2)),
        case("--quiet: nothing on a run that changes nothing", hosts=pinned,
             args=[b"-q", b"--prune", b"@" + listed], files={listed: b"one.test nas\nbox.test box\n"},
             out=b"", after=pinned, dns=b"192.0.2.9 box.test\n"),
        case("--quiet: the changed lines alone; a name given two domains is told",
             hosts=LOCAL, args=[b"--quiet", b"@" + listed],
             files={listed: b"one.test nas\nBoth.Test nas\n"}, out=b"nas: added 192.0.2.9\n",
             err=b"warning: nas is given both one.test and Both.Test; the last, Both.Test, "
             b"is followed.\n", after=LOCAL + line(b"192.0.2.9", b"nas")),
        case("--prune and a list of no pairs: no name is pinned", hosts=pinned,
             args=[b"--prune", b"@" + listed], files={listed: b"# none yet\n"},
             out=reading(listed) + listed + b": no pairs; no name is pinned.\n" + READ +
             said("disabled", NAS) + said_pruned + b"2 lines disabled, 1 entry given back.\n" +
             WRITE, after=LOCAL + b"#" + NAS + pruned),
    ]

    # A relative path is judged from "/", as its absolute path would be.
    rows.append(case("a relative list path under a folder of another's",
                     args=[b"@x.list"], cwd="u/in", status=1, out=reading(b"x.list"),
                     setup="rm -rf u && mkdir -p -m 755 u/in && chown 65534 u && "
                     "printf 'one.test nas\\n' >u/in/x.list",
                     err=list_error(b"x.list", OTHERS, S + b"/u"), only="linux"))

    # Odd files: the bytes the run does not own survive.
    for what, bytes_, brk, end in [
            ("empty", b"", b"", NEW),
            ("NUL bytes", b"127.0.0.1\0localhost\n\0\0\0\r\n", b"", b"\n"),
            ("UTF-16", b"1\x002\x007\x00\r\x00\n\x00", b"\n", b"\n"),
            ("CR LF", b"127.0.0.1 localhost\r\n", b"", b"\r\n")]:
        nas = line(b"192.0.2.7", b"nas", end)
        rows.append(case("odd file, update: " + what, hosts=bytes_,
                         args=[b"192.0.2.7", b"nas"],
                         out=READ + said("added", nas) + added(1) + WRITE, after=bytes_ + brk + nas))

    # Where the file lives, and saves that fail.
    many = b"".join(line(b"192.0.2.%d" % (i % 250), b"host%d" % i) for i in range(2000))
    old = LOCAL + line(b"10.100.100.100", b"nas")
    CHANGED_NAS = moved(b"nas", b"10.100.100.100", b"192.0.2.7") + b"1 line changed.\n"
    rows += [
        case("a bind-mounted hosts file is written in place", where="bind",
             hosts=old + b"tail\n", args=[b"one.test", b"nas"], after=LOCAL + NAS + b"tail\n",
             out=READ + CHANGED_NAS + WRITE, only="linux"),
        case("read-only /etc with a writable hosts file: written in place",
             where="ro-rw", hosts=old, args=[b"one.test", b"nas"], after=LOCAL + NAS,
             out=READ + CHANGED_NAS + WRITE),
        case("lock and journal directories of mode 755, root's, are used",
             where="ro-rw", hosts=old, args=[b"one.test", b"nas"], after=LOCAL + NAS,
             setup="rm -rf /run/quorvane /var/lib/quorvane && "
             "mkdir -m 755 /run/quorvane /var/lib/quorvane",
             out=READ + CHANGED_NAS + WRITE, only="linux"),
        case("in place with nowhere for its journal is error 208",
             where="ro-rw-nolib", hosts=old, args=[b"one.test", b"nas"], status=1,
             out=None, err=hosts_error(208, NO_JOURNAL, b"/var/lib/quorvane"),
             only="linux"),
        case("extended attributes are copied to the new file", hosts=NAS,
             out=READ + said("disabled", NAS) + disabled(1) + WRITE, after=b"#" + NAS,
             check="xattr", only="linux"),
        case("extended attributes without room for a copy: kept in place",
             where="inodes", hosts=NAS, out=READ + said("disabled", NAS) + disabled(1) + WRITE,
             after=b"#" + NAS, check="xattr", only="linux"),
        case("read-only /etc is error 208, nothing changed", where="ro",
             args=[b"one.test", b"nas"], status=1, out=READ + said("added", NAS) + added(1) + WRITE,
             err=hosts_error(208, SYSTEM_ERROR, 5) if WINDOWS else hosts_error(208, READ_ONLY)),
        case("a hosts file with the read-only attribute: error 208 names attrib -r",
             args=[b"one.test", b"nas"], setup=f"chmod 444 '{HOSTS}'", status=1,
             out=READ + said("added", NAS) + added(1) + WRITE, err=hosts_error(208, READ_ONLY_FILE),
             only="windows"),
        case("--check of a file with the read-only attribute says a run would fail",
             args=[b"-n", b"one.test", b"nas"], setup=f"chmod 444 '{HOSTS}'", status=2,
             out=READ + b"nas: no line; one.test: stale (none -> 192.0.2.7)\n" + EN.would(1),
             err=hosts_error(208, READ_ONLY_FILE), only="windows"),
        case("a full disk is error 208, the original intact", where="full",
             hosts=many, status=1, out=None, err=hosts_error(208, DISK_FULL)),
        case("a full disk in an in-place write puts the old bytes back",
             where="bind-full", hosts=old + b"#" * (4090 - len(old) - 1) + b"\n",
             args=[b"one.test", b"nas", b"192.0.2.8", b"pc"], status=1, out=None,
             err=hosts_error(208, DISK_FULL), only="linux"),
        case("the save keeps mode and owner, replacing the file whole",
             args=[b"one.test", b"nas"], after=LOCAL + NAS, out=None, only="linux",
             check="owner"),
        case("a symbolic link: the file it points at is saved, the link kept, "
             "strays go beside that file",
             hosts=("link", SCRATCH + "/real-hosts"),
             files={S + b"/real-hosts": LOCAL, S + b"/.real-hosts.Quorvane-zzzzzz": b"x",
                    b"/etc/.hosts.Quorvane-zzzzzz": b"x"},
             args=[b"one.test", b"nas"], out=None, after=None,
             files_after={S + b"/real-hosts": LOCAL + NAS, b"/etc/.hosts.Quorvane-zzzzzz":
                          b"x", S + b"/.real-hosts.Quorvane-zzzzzz": None}, only="linux"),
        # A DNS server's file (with dnsmasq reading it: dns_server.py).
        case("--hosts-file: a missing file is made, the hosts file untouched",
             args=[b"--hosts-file", S + b"/dns.hosts", b"one.test", b"nas"],
             out=reading(S + b"/dns.hosts") + said("added", NAS) + added(1) +
             b"Writing... " + S + b"/dns.hosts\n",
             files_after={S + b"/dns.hosts": line(b"192.0.2.7", b"nas", NEW)}),
        case("--hosts-file: restoring a missing file is no error, and makes none",
             args=[b"--hosts-file=" + S + b"/none.hosts"],
             out=reading(S + b"/none.hosts") + disabled(0),
             files_after={S + b"/none.hosts": None}),
    ]
    # Windows takes its command line in UTF-16: a folder in any script holds a
    # list and a file; a path is printed in the ANSI code page (1252 here, "?"
    # for what it lacks), a pair's words go into the file in it or not at all.
    j = S + "/日本".encode()
    j_out = line(b"192.0.2.7", b"nas") + line(b"192.0.2.7", b"caf\xe9")
    rows += [
        case("a list and a file in a folder named in Japanese",
             args=[b"--hosts-file", j + b"/a.hosts", b"@" + j + b"/a.list", b"one.test",
                   "café".encode()], env={"LC_ALL": "C.UTF-8"},
             files={j: DIR, j + b"/a.list": b"one.test nas\n", j + b"/a.hosts": LOCAL},
             files_after={j + b"/a.hosts": LOCAL + j_out},
             out=reading(S + b"/??/a.list") + reading(S + b"/??/a.hosts") +
             said("added", j_out) + added(2) + b"Writing... " + S + b"/??/a.hosts\n",
             only="windows"),
        case("a host name the code page lacks is the usage", env={"LC_ALL": "C.UTF-8"},
             args=[b"one.test", "日本".encode()], status=1, only="windows",
             err=usage(b"?? holds a character the system's code page lacks")),
    ]

    # A lock another user could hold or could have made is never used.
    for made in ["chown 65534 q", "chmod 770 q", "chmod 1777 q", "mv q q2 && ln -s q2 q",
                 "chown 65534 q/hosts.lock", "chmod 604 q/hosts.lock",
                 "mv q/hosts.lock q/x && ln -s x q/hosts.lock",
                 "rm q/hosts.lock && mkfifo -m 600 q/hosts.lock"]:
        lock = b"/run/quorvane" + (b"/hosts.lock" if "q/" in made else b"")
        rows.append(case("a lock of another's is error 198: " + made,
                         setup="cd /run && rm -rf q q2 quorvane && mkdir -m 700 q && "
                         "install -m 600 /dev/null q/hosts.lock && " + made +
                         " && mv q quorvane", args=[b"one.test", b"nas"], status=1,
                         err=hosts_error(198, LOCK_NOT_ROOTS, lock), only="linux"))

    # Every folder and link on the way to the hosts file must be root's
    # alone (a sticky folder is, but not as the hosts file's own: another
    # user could take the save's names there): another user could repoint it.
    d_hosts = S + b"/d/hosts"
    for made, culprit in [("chown 65534 d", b"d"), ("chmod 775 d", b"d"),
                          ("chmod 757 d", b"d"), ("chmod 1777 d", b"d"),
                          ("chmod 1777 d && mkdir -m 755 d/e && mv d/hosts d/e && "
                           "ln -sf e/hosts d/hosts", None),
                          ("chown -h 65534 l", b"l"), ("rm l && ln -s l0/hosts l", None),
                          ("rm l l0 && ln -s l0 l && ln -s l l0", b"l0"),
                          ("chown 65534 d && ln -sf ../secret d/hosts && "
                           "chown -h 65534 d/hosts", b"d")]:
        usable = culprit is None
        d_after = {} if "secret" in made else {d_hosts: b"old\n" + NAS if usable
                                               else b"old\n"}
        rows.append(case("path: " + made, hosts=("link", SCRATCH + "/l"),
                         setup="rm -rf d l l0 && mkdir -m 755 d && printf 'old\\n' >d/hosts"
                         " && echo secret >secret && ln -s d/hosts l && ln -s d l0 && " + made,
                         args=[b"one.test", b"nas"], status=0 if usable else 1,
                         out=None, err=b"" if usable else
                         hosts_error(198, OTHERS, S + b"/" + culprit),
                         after=None, files_after={S + b"/secret": b"secret\n", **d_after},
                         only="linux"))

    # A killed save's temporary file, and names that only look like one.
    e = ETC.encode()
    strays = {e + b"/.hosts.Quorvane-" + n: b"half" for n in [b"k1lled", b"backup"]}
    kept = {e + b"/" + n: b"mine" for n in
            [b"hosts.Quorvane-notes", b".other.Quorvane-1-2", b".hosts.Quorvane-12"] +
            ([b".hosts.Quorvane-1-x", b".hosts.Quorvane-4242-0"] if WINDOWS else
             [b".hosts.Quorvane-short", b".hosts.Quorvane-toolong",
              b".hosts.Quorvane-a1B2c-", b".hosts.Quorvane-others"])}
    links = {} if WINDOWS else {e + b"/.hosts.Quorvane-linked": ("link", HOSTS),
                                e + b"/.hosts.Quorvane-dir123": DIR}
    rows.append(case("stray temporary files of a save go, other names stay",
                     out=READ + disabled(0), files={**strays, **kept, **links},
                     setup=None if WINDOWS else "chown 65534 /etc/.hosts.Quorvane-others",
                     files_after={**dict.fromkeys(strays), **kept,
                                  **{k: LOCAL for k in links if b"linked" in k}}))

    # Own text follows the locale; outside bytes never do.
    sjis = b"\x83z\x83X\x83g"
    for locale in ("C.UTF-8", "POSIX"):
        rows.append(case("a Shift_JIS host name is written as given, " + locale,
                         hosts=b"", args=[b"one.test", sjis], env={"LC_ALL": locale},
                         out=READ + said("added", line(b"192.0.2.7", sjis)) + added(1) + WRITE,
                         after=line(b"192.0.2.7", sjis), only="linux"))

    return rows


def make(path, what):
    os.mkdir(path) if what is DIR else os.symlink(what[1], path) if isinstance(
        what, tuple) else open(path, "wb").write(what)


def remove(path): sh(f"rm -rf '{os.fsdecode(path)}'")
def sh(command): subprocess.run(command, shell=True, check=True)
def unique(items): return [a for i, a in enumerate(items) if a not in items[:i]]


DNS_HOSTS = os.environ.get("QUORVANE_DNS_HOSTS", "")
DNS_BASE = open(DNS_HOSTS, "rb").read() if DNS_HOSTS else b""


def answers(name, *service, v6=False):
    """The IPv4 (or IPv6) addresses glibc gives for `name`, in its order."""
    got = subprocess.run(["getent", *service, "ahostsv6" if v6 else "ahostsv4", name],
                         capture_output=True).stdout
    return unique([text.split()[0] for text in got.splitlines()])


def set_dns(extra):
    """The sandbox's DNS answers its own names and `extra`'s, once it has
    read them."""
    open(DNS_HOSTS, "wb").write(DNS_BASE + extra)
    os.kill(int(open(os.environ["QUORVANE_DNS_PID"]).read()), signal.SIGHUP)
    for text in extra.splitlines():
        address, name = text.split()
        for _ in range(100):
            if answers(name, "-s", "dns", v6=b":" in address)[:1] == [address]:
                break
            time.sleep(0.05)
        else:
            sys.exit(f"the sandbox's DNS did not take {text!r}")


def names_in(hosts):
    """The names the active entries of a hosts file map."""
    return {n for text in hosts.splitlines() for n in text.split(b"#")[0].split()[1:]}


# The readers of the hosts file asked after updates and restores: glibc
# (getent), musl (a static getaddrinfo program built here with musl-gcc) and
# dnsmasq (a server of its own on 127.0.0.2 that reads the file, asked with a
# DNS query). Each gives, per name, its IPv4 and its IPv6 addresses in order.
MUSL_LOOKUP = r"""#include <arpa/inet.h>
#include <netdb.h>
#include <stdio.h>
int main(int argc, char **argv) {
  for (int v6 = 0; v6 < 2 && argc == 2; ++v6) {
    struct addrinfo hints = {0}, *a;
    char text[64];
    hints.ai_family = v6 ? AF_INET6 : AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    for (getaddrinfo(argv[1], 0, &hints, &a) && (a = 0); a; a = a->ai_next)
      printf("%d %s\n", v6 ? 6 : 4, inet_ntop(a->ai_family, v6 ?
             (void *)&((struct sockaddr_in6 *)a->ai_addr)->sin6_addr :
             (void *)&((struct sockaddr_in *)a->ai_addr)->sin_addr, text, 64));
  }
}"""


def musl_program():
    path = SCRATCH + "/musl-lookup"
    if not os.path.exists(path):
        open(path + ".c", "w").write(MUSL_LOOKUP)
        sh(f"musl-gcc -static -O2 -o {path} {path}.c")
    return path


def dns_query(name, qtype, wait=2, server="127.0.0.2"):
    """The addresses of type `qtype` (1 A, 28 AAAA) that the dnsmasq reader
    (or the DNS server at `server`) answers for `name`, in its order."""
    import socket
    import struct
    question = b"".join(bytes([len(p)]) + p for p in name.split(b".")) + b"\0"
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.settimeout(wait)
        sock.sendto(struct.pack(">6H", 7, 0x100, 1, 0, 0, 0) + question +
                    struct.pack(">HH", qtype, 1), (server, 53))
        reply = sock.recv(4096)
    at, found = 12 + len(question) + 4, []
    for _ in range(struct.unpack(">H", reply[6:8])[0]):
        while 0 < reply[at] < 0xC0:  # a name: labels, then a pointer or 0
            at += reply[at] + 1
        at += 2 if reply[at] else 1
        kind, _, _, size = struct.unpack(">HHIH", reply[at:at + 10])
        if kind == qtype:
            found.append(socket.inet_ntop(socket.AF_INET if qtype == 1 else
                                          socket.AF_INET6,
                                          reply[at + 10:at + 10 + size]).encode())
        at += 10 + size
    return found


def readers(names):
    """{reader: {name: (IPv4 addresses, IPv6 addresses)}} for every reader."""
    musl = musl_program()
    # In the foreground, so that it is ours to reap: a daemon's end takes
    # over a second to be seen.
    server = subprocess.Popen(
        ["dnsmasq", "--conf-file=/dev/null", "--no-resolv", "--listen-address=127.0.0.2",
         "--bind-interfaces", "--port=53", "--user=root", "--no-negcache",
         "--keep-in-foreground"])
    try:
        for _ in range(500):  # until it listens
            try:
                dns_query(b"localhost", 1, wait=0.05)
                break
            except OSError:
                time.sleep(0.01)
        got = {"glibc": {}, "musl": {}, "dnsmasq": {}}
        for n in names:
            v6 = [a for a in answers(n, v6=True) if not a.startswith(b"::ffff:")]
            got["glibc"][n] = (answers(n), v6)
            out = subprocess.run([musl, n], capture_output=True).stdout.split()
            got["musl"][n] = tuple(unique([a for f, a in zip(out[::2], out[1::2])
                                           if f == fam]) for fam in (b"4", b"6"))
            got["dnsmasq"][n] = (unique(dns_query(n, 1)), unique(dns_query(n, 28)))
    finally:
        server.terminate()
        server.wait()
    return got


def cycle_case(name, hosts, args, cycles=1, edit=None, restored=None, new=None):
    """A row of update and restore runs in turn. After each update every
    reader answers each pair's name (in every spelling of the file) with
    `new`[name], (IPv4 addresses, IPv6 addresses), by default (the pair's
    IPv4 address, none), and every other name as before; after each restore
    every reader answers every name as before the first update, and the file
    is the old one but for the disabled lines of ours (or `restored`). Every
    cycle leaves the bytes the first left. `edit` changes the updated file
    before the first restore, as an administrator would."""
    return dict(locals())


def cycle_cases():
    shared = b"192.168.1.50 NAS nas.local backup # old box\n"
    debian = (b"127.0.0.1\tlocalhost\n127.0.1.1\tdebian.example.org\tdebian\n\n"
              b"::1     localhost ip6-localhost ip6-loopback\n"
              b"ff02::1 ip6-allnodes\n")
    nas, six = [b"192.0.2.7", b"nas"], [b"-6", b"six.test", b"nas"]
    v6 = {b"nas": ([], [b"2001:db8::7"])}
    return [
        cycle_case("a '#' glued to the name", LOCAL + b"10.0.0.5 nas#old\n", nas),
        cycle_case("the name on two lines, IPv6 first",
                   b"2001:db8::5 nas\n10.0.0.5 nas\n" + LOCAL, nas),
        cycle_case("another letter case", LOCAL + b"10.0.0.5 NAS\n", nas),
        cycle_case("-6 over an IPv4 line: IPv4 readers get none for the name",
                   LOCAL + b"10.0.0.5 nas\n", six, new=v6),
        cycle_case("-6 over a hand IPv6 line", b"2001:db8::5 nas\n" + LOCAL, six, new=v6),
        cycle_case("-46: one line a family, two cycles", LOCAL + b"10.0.0.5 nas\n2001:db8::5 nas\n",
                   [b"-46", b"both.test", b"nas"], cycles=2,
                   new={b"nas": ([b"192.0.2.9"], [b"2001:db8::9"])}),
        cycle_case("-4 -6, domains of one family each: no failure", LOCAL,
                   [b"-4", b"-6", b"six.test", b"nas", b"one.test", b"pc"],
                   new={**v6, b"pc": ([b"192.0.2.7"], [])}),
        cycle_case("a newcomer's shared line, three cycles", LOCAL + shared,
                   [b"one.test", b"nas"], cycles=3),
        cycle_case("Debian's own host name, three cycles", debian,
                   [b"192.0.2.7", b"debian"], cycles=3),
        cycle_case("two pairs on one shared line", LOCAL + b"192.0.2.1 nas router gw\n",
                   nas + [b"192.0.2.9", b"router"]),
        cycle_case("the administrator adds a line before the restore", LOCAL + shared, nas,
                   edit=lambda b: b + b"10.0.0.9 pc\n", restored=LOCAL + shared + b"10.0.0.9 pc\n"),
        cycle_case("the administrator's line with the marker and two names",
                   LOCAL + b"10.0.0.8\tnas2 nas\t##Quorvane##\n", nas),
        cycle_case("the administrator enables a kept line again",
                   LOCAL + b"10.0.0.5 nas\n", nas,
                   edit=lambda b: b.replace(kept_line(b"10.0.0.5 nas\n", b"nas"),
                                            b"10.0.0.5 nas\n"),
                   restored=LOCAL + b"10.0.0.5 nas\n"),
    ]


def without_disabled(hosts):
    return b"".join(l for l in hosts.splitlines(keepends=True)
                    if not (l.startswith(b"#") and b"\t##Quorvane##" in l))


def run_cycles(c):
    """Runs one cycle row; gives the list of what differs."""
    wrong = []
    remove(HOSTS)
    make(HOSTS, c["hosts"])
    pairs = [a for a in c["args"] if a[:1] != b"-"]  # past the options
    new = c["new"] or {n: ([answers(d)[0] if not d[0:1].isdigit() else d], [])
                       for d, n in zip(pairs[::2], pairs[1::2])}
    names = sorted(names_in(c["hosts"]) | set(new))
    spellings = {n: [s for s in names if s.lower() == n.lower()] for n in new}
    asked = not WINDOWS
    before = readers(names) if asked else None
    env = dict(os.environ, LC_ALL="C")
    firsts = {}
    for cycle in range(c["cycles"]):
        for step, args in (("update", c["args"]), ("restore", [])):
            if step == "restore" and c["edit"]:
                edited = c["edit"](open(HOSTS, "rb").read())
                open(HOSTS, "wb").write(edited)
            status = subprocess.run(PROGRAM + list(args), stdin=subprocess.DEVNULL,
                                    capture_output=True, env=env).returncode
            if status != 0:
                wrong.append(f"cycle {cycle} {step}: status {status}")
            now = open(HOSTS, "rb").read()
            if firsts.setdefault(step, now) != now:
                wrong.append(f"cycle {cycle} {step}: {now!r:.300} is not the "
                             f"first cycle's {firsts[step]!r:.300}")
            if step == "restore":
                want = c["restored"] or c["hosts"]
                if without_disabled(now) != want:
                    wrong.append(f"cycle {cycle} restore left {now!r:.300}")
            if not asked:
                continue
            got = readers(names)
            for reader, answer in got.items():
                for n in names:
                    pair = [p for p in new if n in spellings[p]]
                    want = new[pair[0]] if step == "update" and pair else before[reader][n]
                    if answer[n] != want:
                        wrong.append(f"cycle {cycle} {step}: {reader} answers "
                                     f"{answer[n]} for {n!r}, expected {want}")
    return wrong


def fill(directory):  # until the file system is full
    subprocess.run(f"cat /dev/zero >'{directory}/filler'", shell=True, stderr=subprocess.DEVNULL)


def stamp(path):
    st = os.stat(path) if os.path.exists(path) else None
    return st and (st.st_ino, st.st_mtime_ns, st.st_ctime_ns)


JOURNALS = (os.environ.get("WINEPREFIX", "") + "/drive_c/ProgramData/Quorvane"
            if WINDOWS else "/var/lib/quorvane")


def leftovers():
    """Temporary files and journals of a save."""
    journals = os.listdir(JOURNALS) if os.path.isdir(JOURNALS) else []
    return sorted([n for n in os.listdir(ETC) if ".Quorvane-" in n] +
                  [n for n in journals if not n.endswith(".log")])


def run(c):
    """Runs one row; gives the list of what differs."""
    where, hosts_path = c["where"], HOSTS
    undo = []
    if where in ("full", "inodes"):
        size = "size=256k,mode=0755" if where == "full" else "nr_inodes=4,mode=0755"
        sh(f"mount -t tmpfs -o {size} quorvane-full {ETC}")
        undo.append(f"umount {ETC}")
    remove(HOSTS)
    if where in ("bind", "bind-full"):
        small = SCRATCH + "/small"
        os.makedirs(small, exist_ok=True)
        if where == "bind-full":
            sh(f"mount -t tmpfs -o size=64k quorvane-small {small}")
            undo.append(f"umount {small}")
        hosts_path = small + "/hosts"
        make(HOSTS, b"")
    if c["hosts"] is not None:
        make(hosts_path, c["hosts"])
    for path, what in (c["files"] or {}).items():
        make(path, what)
    if where == "full":
        fill(ETC)
    if where in ("bind", "bind-full"):
        if where == "bind-full":
            fill(SCRATCH + "/small")
        sh(f"mount --bind {hosts_path} {HOSTS}")
        undo.insert(0, f"umount {HOSTS}")
    if c["setup"]:
        subprocess.run(c["setup"], shell=True, check=True, cwd=SCRATCH)
    for ro in {"ro": [ETC], "ro-rw": [ETC], "ro-rw-nolib": ["/var/lib", ETC]}.get(where, []):
        sh(f"rm -rf {JOURNALS}" if ro == "/var/lib" else "true")
        sh(f"mount --bind {ro} {ro} && mount -o remount,bind,ro {ro}")
        undo.insert(0, f"umount {ro}")
    if where.startswith("ro-rw"):
        sh(f"mount --bind {HOSTS} {HOSTS} && mount -o remount,bind,rw {HOSTS}")
        undo.insert(0, f"umount {HOSTS}")
    if c["check"] == "owner":
        os.chmod(HOSTS, 0o604)
        os.chown(HOSTS, 1234, 5678)
    attributes = {"user.q": b"u" * 900, "trusted.q": b"t"}
    for name, value in attributes.items() if c["check"] == "xattr" else ():
        os.setxattr(HOSTS, name, value)
    before = stamp(hosts_path)
    if c["dns"]:
        set_dns(c["dns"])
    resolves = c["resolves"] if not WINDOWS else None
    if resolves:
        kept_names = {n: answers(n) for n in names_in(c["hosts"])
                      if n.lower() not in [r.lower() for r in resolves]}

    env = dict(os.environ, **{"LC_ALL": "C", **(c["env"] or {})})
    tty = isinstance(c["input"], tuple)  # a terminal with a line typed ahead
    typed = c["input"][1] if tty else c["input"]
    key_out, key_in = os.openpty() if tty else os.pipe()[::-1]
    os.write(key_out, typed)
    if not tty:
        key_out = os.close(key_out)  # None
    no_reader = None
    if c["check"] == "no-reader":  # a pipe whose read end is gone
        read_end, no_reader = os.pipe()
        os.close(read_end)
    with open(SCRATCH + "/out", "wb+") as out, open(SCRATCH + "/err", "wb+") as err:
        try:
            # At a terminal whose input stays open, a run that waited for a
            # key would never end: it must end by itself.
            as_user = ["setpriv", f"--reuid={c['user']}", f"--regid={c['user']}",
                       "--clear-groups"] if c["user"] else []
            began = time.monotonic()
            status = subprocess.run(as_user + PROGRAM + list(c["args"]), stdin=key_in,
                                    stdout=no_reader or out, stderr=err, env=env,
                                    cwd=c["cwd"] and SCRATCH + "/" + c["cwd"],
                                    timeout=30 if tty else 120).returncode
            took = time.monotonic() - began
        except subprocess.TimeoutExpired:
            status = "still waiting after 30 s" if tty else "timed out"
            took = None
        got_out, got_err = open(out.name, "rb").read(), open(err.name, "rb").read()
    # wine-run.sh's bash warns of a locale that is not installed.
    got_err = b"".join(t for t in got_err.splitlines(True)
                       if not t.startswith(b"bash: warning: setlocale: "))
    os.set_blocking(key_in, False)
    try:
        rest = os.read(key_in, 1 << 20)
    except BlockingIOError:
        rest = b""
    for fd in (key_in, key_out, no_reader):
        fd is None or os.close(fd)

    hosts_is_file = isinstance(c["hosts"], bytes) or where != "etc"
    if resolves:
        resolved = {n: answers(n)[:1] for n in resolves}
        moved = {n: answers(n) for n in kept_names if answers(n) != kept_names[n]}
    after = open(hosts_path, "rb").read() if hosts_is_file else None
    now = stamp(hosts_path)
    st = os.stat(hosts_path) if hosts_is_file else None
    kept = {n: os.getxattr(HOSTS, n) for n in os.listxattr(HOSTS)} if c["check"] == "xattr" else {}
    lock = [os.lstat(p) if os.path.lexists(p) else None for p in
            ("/run/quorvane", "/run/quorvane/hosts.lock")] if status == 0 and not WINDOWS else None
    left = [n for n in leftovers() if (ETC + "/" + n).encode() not in (c["files"] or {})]
    files_now = {path: open(path, "rb").read() if os.path.lexists(path) else None
                 for path in (c["files_after"] or {})}
    for command in undo:
        sh(command)
    for path in (c["files"] or {}):
        remove(path)
    if c["setup"]:
        sh("rm -rf /run/quorvane")

    wrong = []
    def expect(what, got, want):
        if want is not None and got != want:
            cut = (lambda v: v[:300]) if isinstance(got, (bytes, list)) else (lambda v: v)
            wrong.append(f"{what}: got {cut(got)!r}, expected {cut(want)!r}")
    expect("status", status, c["status"])
    if c["within"] and took is not None and took > c["within"]:
        wrong.append(f"took {took:.1f} s, more than {c['within']} s")
    if callable(c["out"]):
        wrong += c["out"](got_out)
    else:
        expect("stdout", got_out, c["out"])
    expect("stderr", got_err, c["err"])
    want = c["hosts"] if c["after"] is None else c["after"]
    if hosts_is_file and isinstance(want, bytes):
        expect("hosts after", after, want)
        if where != "bind-full":
            expect("rewritten", now != before, want != c["hosts"])
    expect("bytes of input taken", len(typed) - len(rest), 0)
    expect("temporary files left", left, [])
    for path, want in (c["files_after"] or {}).items():
        if callable(want):
            wrong += want(files_now[path])
        elif files_now[path] != want:  # None: the file must be gone
            wrong.append(f"{path!r} after: got {files_now[path]!r:.80}, expected {want!r:.80}")
    if c["check"] == "xattr":
        expect("attributes, inode kept", (kept, st.st_ino == before[0]),
               (attributes, where == "inodes"))
    if resolves:
        expect("first answers after", resolved, {n: [a] for n, a in resolves.items()})
        expect("other names' answers that changed", moved, {})
    if lock:
        expect("lock modes", [s and (s.st_mode, s.st_uid) for s in lock],
               [(stat.S_IFDIR | 0o700, 0), (stat.S_IFREG | 0o600, 0)]
               if lock[0] and lock[0].st_mode & 0o777 != 0o755 else
               [(stat.S_IFDIR | 0o755, 0), (stat.S_IFREG | 0o600, 0)])
    if c["check"] == "owner":
        expect("mode, owner, inode", (st.st_mode & 0o7777, st.st_uid, st.st_gid,
                                      st.st_ino == before[0]), (0o604, 1234, 5678, False))
    return wrong


def main():
    if not PROGRAM or not SCRATCH:
        sys.exit("usage: sandbox.sh e2e.py PROGRAM [ARGS...]")
    target = "windows" if WINDOWS else "linux"
    if WINDOWS and PROGRAM[0].endswith("wine-run.sh"):
        # A program that cannot run here (a 32-bit one on a kernel that runs
        # no 32-bit code) is skipped as a whole, not failed row by row.
        can = subprocess.run([PROGRAM[0], "--can-run", *PROGRAM[1:2]])
        if can.returncode:
            sys.exit(can.returncode)
    failed = 0
    rows = [(run, c["name"], c) for c in cases() if c["only"] in (None, target)]
    rows += [(run_cycles, "cycles: " + c["name"], c) for c in cycle_cases()]
    for runner, name, c in rows:
        wrong = runner(c)
        print(("FAIL " if wrong else "ok   ") + name)
        for w in wrong:
            print("     " + w)
        failed += bool(wrong)
    print(f"{len(rows) - failed} passed, {failed} failed ({target})")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
