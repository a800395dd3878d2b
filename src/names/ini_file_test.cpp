#include "names/ini_file.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvane {
namespace {

using namespace std::string_literals;

// The scan in short: "domain=name;" per pair ("domain=name/6;" when it
// follows IPv6 alone, "/46" both), "~NUMBER;" per indented line that holds
// a pair, then "!NUMBER:bad line" when it stopped at a bad line.
std::string Scan(const std::string& bytes, Families chosen = {}) {
  ListScan scan = ScanListFile(bytes, chosen);
  std::string out;
  for (const Pair& pair : scan.pairs) {
    const Families f = pair.families;
    out += pair.domain + "=" + pair.name +
           (f.ipv6 ? f.ipv4 ? "/46" : "/6" : "") + ";";
  }
  for (int number : scan.indented_pairs) {
    out += "~" + std::to_string(number) + ";";
  }
  if (!scan.ok) {
    out += "!" + std::to_string(scan.bad_line_number) + ":" +
           std::string(scan.bad_line);
  }
  return out;
}

TEST(ListFileTest, Cases) {
  const std::string long_comment =
      "#" + std::string(2000, 'c') + " tail.example x\n";
  const std::pair<std::string, std::string> cases[] = {
      // Comments and lines starting with white space are skipped; words
      // after the second are ignored; the last line needs no line break.
      {"# my names\r\nddns.example.net nas\r\n\r\na.example\tpc1 extra\n"
       "  indented.example x\n\tb.example y\nlast.example nas2",
       "ddns.example.net=nas;a.example=pc1;last.example=nas2;~5;~6;"},
      {"", ""},
      {"#a b\n\n   \n#\n", ""},
      // Indented lines that hold no pair are skipped without a word: an
      // indented comment, one word, a host name no reader takes.
      {"  # a b\n\tone\n d #x\n d n#\n \r\n", ""},
      // A line without two words stops the scan: its bytes as read but its
      // line break (which the message would show as an empty line), and its
      // physical number.
      {"# comment\r\n\r\nlonely\r\nd n\r\n", "!3:lonely"},
      {"a x\nb", "a=x;!2:b"},
      {"a \r\n", "!1:a "},
      // A long line is one line: its tail is never read as a pair.
      {long_comment + "d n\ne " + std::string(1500, 'h') + "\nshort\n",
       "d=n;e=" + std::string(1500, 'h') + ";!4:short"},
      // The text ends at a NUL; a line that starts with one has no words.
      {"a\0 b\nc d\n"s, "!1:a"},
      {"a b\0c\nc d\n"s, "a=b;c=d;"},
      {"a b\n\0junk\nc d\n"s, "a=b;!2:"},
      // A host name that is not one to the hosts file's readers is a bad
      // line; '-', '@' and bytes above 0x7F are the user's.
      {"d -h\nd @x\nd n\x80\xffs\nd #nas\n",
       "d=-h;d=@x;d=n\x80\xffs;!4:d #nas"},
      {"d nas#1 x\n", "!1:d nas#1 x"},
      {"d n\x01s\n", "!1:d n\x01s"},
      {"d n\x7f\n", "!1:d n\x7f"},
      // Only blank and TAB separate words: any other control byte in a
      // line is an error, never a split; a CR belongs to the line break
      // only right before its LF.
      {"d bad\vname\n", "!1:d bad\vname"},
      {"\fd n\n", "!1:\fd n"},
      {"d n\r\r\n", "!1:d n\r"},
      {"d n\rx\n", "!1:d n\rx"},
  };
  for (const auto& [bytes, want] : cases) {
    EXPECT_EQ(Scan(bytes), want) << testing::PrintToString(bytes);
  }
  // A line's own choice of families, else the command line's; a mistyped
  // choice stops the scan rather than follow IPv4 in silence.
  const std::string choices =
      "a x -6\nb y -46 z\nc z\t-64\nd w -4\ne v - -6\nf u -4 -6\n";
  EXPECT_EQ(Scan(choices), "a=x/6;b=y/46;c=z/46;d=w;e=v;f=u/46;");
  EXPECT_EQ(Scan(choices, {false, true}),
            "a=x/6;b=y/46;c=z/46;d=w;e=v/6;f=u/46;");
  for (std::string bad : {"b y -5", "b y --6", "b y -v6", "b -6 y"}) {
    EXPECT_EQ(Scan("a x --\n" + bad + "\n"), "a=x;!2:" + bad);
  }
}

// Windows tools save lists as UTF-16 (with a mark, either byte order): read
// as their characters, so that only ASCII names make pairs.
TEST(ListFileTest, Utf16) {
  auto utf16 = [](std::u16string_view text, bool little) {
    std::string bytes = little ? "\xff\xfe" : "\xfe\xff";
    for (char16_t c : text) {
      bytes += static_cast<char>(little ? c & 0xff : c >> 8);
      bytes += static_cast<char>(little ? c >> 8 : c & 0xff);
    }
    return bytes;
  };
  for (bool little : {true, false}) {
    EXPECT_EQ(Scan(utf16(u"# \u540d\U0001F600\r\none.test nas -6 \u00e9\r\n"
                         u"b\u00e9.test nas\r\none.test x\r\n",
                         little)),
              "one.test=nas/6;!3:b\xc3\xa9.test nas");
  }
  // A broken surrogate or a lone last byte is no ASCII either.
  EXPECT_EQ(Scan(utf16(u"a.test n\xd800\n", true)), "!1:a.test n\xef\xbf\xbd");
  EXPECT_EQ(Scan(utf16(u"a.test n\nb.test n", true) + "m"),
            "a.test=n;!2:b.test n\xef\xbf\xbd");
}

// A name given two domains is told about, once per change of domain; the
// same domain again, in another letter case, is no conflict.
TEST(ListFileTest, ConflictingPairs) {
  ListScan scan = ScanListFile(
      "a.test nas\nA.TEST NAS\nb.test nas\nc.test pc\nb.test Nas\nd.test "
      "NAS\n");
  using Conflicts = std::vector<std::pair<size_t, size_t>>;
  EXPECT_EQ(ConflictingPairs(scan.pairs), (Conflicts{{1, 2}, {4, 5}}));
}

}  // namespace
}  // namespace quorvane
