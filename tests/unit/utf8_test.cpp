// The UTF-8 decoding of the text reader, from a string and from a stream:
// valid sequences are one character each, every other byte is the
// ISO-8859-1 character of its value.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "content/text_reader.h"

namespace {

std::u32string decode(const std::string& bytes, LetterSource mode) {
  std::string copy = bytes;
  std::FILE* stream = mode == from_stream ? fmemopen(copy.data(), copy.size(), "r") : nullptr;
  LetterCursor cursor =
      mode == from_stream ? stream_cursor(stream, 1) : string_cursor(copy.c_str(), 1);
  std::u32string out;
  for (int c; (c = next_char(&cursor)) != -1;) out.push_back(static_cast<char32_t>(c));
  if (stream) std::fclose(stream);
  return out;
}

TEST(Utf8, ValidSequencesAreCharactersAndOtherBytesIso8859) {
  const struct {
    std::string bytes;
    std::u32string expected;
  } cases[] = {
      {"Az~", U"Az~"},
      {"\xc3\xa9\xc3\xbf", U"\u00e9\u00ff"},
      {"\xc2\x80\xdf\xbf", U"\u0080\u07ff"},
      {"\xe0\xa0\x80\xe2\x82\xac\xef\xbf\xbf", U"\u0800\u20ac\uffff"},
      {"\xed\x9f\xbf\xee\x80\x80", U"\ud7ff\ue000"},  // either side of the surrogates
      {"\xf0\x90\x80\x80\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf", U"\U00010000\U0001f600\U0010ffff"},
      // Overlong forms.
      {"\xc0\x80\xc1\xbf", U"\u00c0\u0080\u00c1\u00bf"},
      {"\xe0\x80\xaf", U"\u00e0\u0080\u00af"},
      {"\xe0\x9f\xbf", U"\u00e0\u009f\u00bf"},
      {"\xf0\x8f\xbf\xbf", U"\u00f0\u008f\u00bf\u00bf"},
      // Surrogates, and code points beyond U+10FFFF.
      {"\xed\xa0\x80\xed\xbf\xbf", U"\u00ed\u00a0\u0080\u00ed\u00bf\u00bf"},
      {"\xf4\x90\x80\x80", U"\u00f4\u0090\u0080\u0080"},
      {"\xf5\x80\x80\x80\xff", U"\u00f5\u0080\u0080\u0080\u00ff"},
      // Truncated at the end of the input and at a line end.
      {"a\xc3", U"a\u00c3"},
      {"\xe2\x82", U"\u00e2\u0082"},
      {"\xf0\x9f\x98", U"\u00f0\u009f\u0098"},
      {"\xc3\nx", U"\u00c3\nx"},
      {"\xe2\x82\n", U"\u00e2\u0082\n"},
      {"\xf0\x9f\x98\n\xc3\xa9", U"\u00f0\u009f\u0098\n\u00e9"},
      // Lone bytes 0x80-0xFF, and a sequence broken by a plain letter.
      {"\x80\xbf\xfe\xff", U"\u0080\u00bf\u00fe\u00ff"},
      {"caf\xe9 \xe0t\xe9", U"caf\u00e9 \u00e0t\u00e9"},
      {"\xc3"
       "A\xe2\x82"
       "B",
       U"\u00c3A\u00e2\u0082B"},
      {"\xf0\x9f\x98\x80\x80", U"\U0001f600\u0080"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(decode(c.bytes, from_string), c.expected) << testing::PrintToString(c.bytes);
    EXPECT_EQ(decode(c.bytes, from_stream), c.expected) << testing::PrintToString(c.bytes);
  }
}

}  // namespace
